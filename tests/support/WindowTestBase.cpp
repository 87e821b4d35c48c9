#include "WindowTestBase.h"

#include "core/TDVDInformation.h"
#include "mainwindow/TMainForm.h"

void WindowTestBase::init()
{
    m_boxes = std::make_unique<RecordingMessageBox>();
    m_chooser = std::make_unique<ScriptedChooser>();
    m_shell = std::make_unique<RecordingShell>();
    m_power = std::make_unique<FakePowerManager>();
    m_notifier = std::make_unique<RecordingNotifier>();
    DvdInfo = TDVDInformation();
    m_folder = std::make_unique<TestProgramFolder>(false);
    SetUp();
}

void WindowTestBase::cleanup()
{
    TearDown();
    m_windows.reset();
    m_folder.reset();
    m_notifier.reset();
    m_power.reset();
    m_shell.reset();
    m_chooser.reset();
    m_boxes.reset();
}

TMainForm &WindowTestBase::StartWindows(const QStringList &arguments)
{
    m_windows = std::make_unique<TQuarnelWindows>(m_folder->path(), arguments);
    m_windows->MainForm()->show();
    return *m_windows->MainForm();
}
