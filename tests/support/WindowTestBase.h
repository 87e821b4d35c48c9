#pragma once

#include "Fakes.h"
#include "TestSupport.h"

#include "mainwindow/TQuarnelWindows.h"

#include <QObject>
#include <QStringList>

#include <memory>

class TMainForm;

// The fixture of the window tests. Each test function runs with every seam replaced
// (message boxes recorded and answered, choosers scripted, nothing handed to the desktop,
// no power calls reaching the system, notifications recorded), no disc open and a program folder of its own.
// Windows and folder go after the test function, before the seams they may still call.
class WindowTestBase : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

protected:
    // A test class's own set-up, once the seams are in, and its tear-down, before they go.
    virtual void SetUp() { }
    virtual void TearDown() { }

    // The program's windows on m_folder, started with the command line's `arguments`; the
    // main window shown.
    TMainForm &StartWindows(const QStringList &arguments = {});

    std::unique_ptr<RecordingMessageBox> m_boxes;
    std::unique_ptr<ScriptedChooser> m_chooser;
    std::unique_ptr<RecordingShell> m_shell;
    std::unique_ptr<FakePowerManager> m_power;
    std::unique_ptr<RecordingNotifier> m_notifier;
    std::unique_ptr<TestProgramFolder> m_folder; // without the shipped files; a test may put another in place
    std::unique_ptr<TQuarnelWindows> m_windows;
};
