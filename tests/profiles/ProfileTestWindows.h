#pragma once

#include "TestSupport.h"
#include "WindowTestBase.h"

#include "mainwindow/TMainForm.h"
#include "profiles/TMainProfileGrids.h"
#include "profiles/TSettingForm.h"

#include <QComboBox>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

#include <memory>

// The example profile: one row of each kind in the three grids.
inline const QByteArray kExampleProfile =
    "[Main]\r\nType=mp4\r\nPara=4\r\n0=Video Size\r\n1=Bit Rate\r\n2=Aspect\r\n3=Channels\r\n"
    "[Video Size]\r\nSort=1\r\nList=1\r\nCaption=Original Size,320x240,640x480,Custom Size,\r\n"
    "Value=,320x240,640x480,,\r\nIndex=1\r\ncmd=-s\r\n"
    "[Bit Rate]\r\nSort=1\r\nReadOnly=0\r\nList=0\r\nCaption=800\r\nValue=800\r\ncmd=-b\r\n"
    "[Aspect]\r\nSort=3\r\nReadOnly=1\r\nList=0\r\nCaption=4:3\r\nValue=4:3\r\ncmd=-aspect\r\n"
    "[Channels]\r\nSort=2\r\nList=1\r\nCaption=Mono,Stereo,\r\nValue=1,2,\r\nIndex=1\r\n";

// The main window and the Settings dialog on a program folder of the test's own, wired as
// the program wires them; for tests on WindowTestBase, whose seams they use.
struct ProfileTestWindows
{
    explicit ProfileTestWindows(const TestProgramFolder &folder) : main(folder.path())
    {
        profiles = TMainProfileGrids::Of(&main);
        if (!profiles) {
            profiles = new TMainProfileGrids(
                &main, {main.vleVideo, main.vleAudio, main.vleAdvanced, main.cmbProfile, main.TaskList});
            QObject::connect(main.cmbProfile, &QComboBox::activated, profiles, &TMainProfileGrids::cmbProfileChange);
        }
        settings =
            std::make_unique<TSettingForm>(TSettingForm::MainControls{&main, main.cmbProfile, main.edtOutputDir});
        QObject::connect(main.bbtnSetting, &QPushButton::clicked, settings.get(), &TSettingForm::bbtnSettingClick);
        QObject::connect(main.sbtnOptions, &QToolButton::clicked, settings.get(), &TSettingForm::sbtnOptionsClick);
    }

    // Chooses a profile in a combo box the way the user does.
    static void Choose(QComboBox *combo, const QString &name)
    {
        const int index = combo->findText(name);
        QVERIFY2(index >= 0, qPrintable(name));
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }

    TMainForm main;
    TMainProfileGrids *profiles = nullptr;
    std::unique_ptr<TSettingForm> settings;
};
