#include "TQuarnelWindows.h"

#include "TMainForm.h"
#include "convert/run/TConversionController.h"
#include "core/OwnedWindows.h"
#include "dialogs/TAboutForm.h"
#include "dialogs/TEditDVDVolumeForm.h"
#include "dialogs/TEditTimeForm.h"
#include "dialogs/TSizeForm.h"
#include "dvd/TOpenDVDForm.h"
#include "preview/TPreviewPane.h"
#include "profiles/TMainProfileGrids.h"
#include "profiles/TSettingForm.h"
#include "tasklist/TTaskListModel.h"
#include "tasklist/TTaskTreeView.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

TQuarnelWindows::TQuarnelWindows(const QString &programFolder, const QStringList &arguments)
{
    // Relative paths are read against the folder the program was started in: the main
    // window's start-up makes the Profiles folder the current one.
    QStringList items;
    for (const QString &argument : arguments)
        items << (argument.isEmpty() ? argument : QFileInfo(argument).absoluteFilePath());
    m_main = std::make_unique<TMainForm>(programFolder);
    TMainForm *main = m_main.get();
    main->SetPreview(new TPreviewPane(main->PreviewControls(), main->BusyHint())); // owned by the main window
    main->CommandLineIntake(items);
    m_openDvd = std::make_unique<TOpenDVDForm>(
        main, [main](const QString &folder, const QString &volumeName) { main->OpenDvdFolder(folder, volumeName); });
    main->SetOpenDVDForm(m_openDvd.get());

    m_settings = std::make_unique<TSettingForm>(TSettingForm::MainControls{main, main->cmbProfile, main->edtOutputDir});
    main->SetSettingForm(m_settings.get());
    QObject::connect(main->bbtnSetting, &QPushButton::clicked, m_settings.get(), &TSettingForm::bbtnSettingClick);
    QObject::connect(main->sbtnOptions, &QToolButton::clicked, m_settings.get(), &TSettingForm::sbtnOptionsClick);

    // Owned by the main window.
    auto *conversion = new TConversionController(main->ConversionPanel());
    conversion->SetGrids(TMainProfileGrids::Of(main));
    TSettingForm *settings = m_settings.get();
    // The same rule that reads them from the file reads them from the dialog's controls.
    conversion->SetPreferencesSource(
        [settings] { return TConversionPreferences::FromStored(settings->ShownPreferences()); });

    m_volume = std::make_unique<TEditDVDVolumeForm>(main, main->TaskList);
    QObject::connect(main->pmiDVDVolume, &QAction::triggered, m_volume.get(), &TEditDVDVolumeForm::pmiDVDVolumeClick);
    m_editTime = std::make_unique<TEditTimeForm>(main, main->TaskList, main->ltvTask);
    QObject::connect(main->sbtnSegment, &QToolButton::clicked, m_editTime.get(), &TEditTimeForm::sbtnSegmentClick);
    // The list's item does what the button does, also while the button waits for a DVD.
    QObject::connect(main->pmiTrimTime, &QAction::triggered, m_editTime.get(), &TEditTimeForm::sbtnSegmentClick);
    m_about = std::make_unique<TAboutForm>(main);
    main->SetAboutForm(m_about.get());

    m_size = std::make_unique<TSizeForm>(main);
    TSizeForm *size = m_size.get();
    TMainProfileGrids::Of(main)->SetCustomSizeHandler([size, main] { size->ShowFor(main->vleVideo); });

    for (QWidget *window : std::initializer_list<QWidget *>{m_openDvd.get(), m_settings.get(), m_volume.get(),
                                                            m_editTime.get(), m_about.get(), m_size.get()})
        OwnedWindows::KeepInFrontOf(window, main);
    // The dialogs close on Escape by themselves; these windows are not dialogs.
    OwnedWindows::CloseOnEscape(m_openDvd.get());
    OwnedWindows::CloseOnEscape(m_about.get());
    OwnedWindows::CloseOnEscape(settings, [settings] { settings->btnCancel->click(); });
}

TQuarnelWindows::~TQuarnelWindows()
{
    // Secondary windows go first: they refer to the main window.
    m_size.reset();
    m_about.reset();
    m_editTime.reset();
    m_volume.reset();
    m_settings.reset();
    m_openDvd.reset();
    m_main.reset();
}
