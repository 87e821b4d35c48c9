#include "Fakes.h"

#include "core/FileChooser.h"
#include "core/ShellOpen.h"

RecordingMessageBox::RecordingMessageBox()
{
    MessageBox::SetHook([this](const MessageBox::Call &call) {
        m_calls << call;
        if (m_whileShown)
            m_whileShown(call);
        if (!m_answers.isEmpty())
            return m_answers.takeFirst();
        return call.buttons.testFlag(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok;
    });
}

RecordingMessageBox::~RecordingMessageBox()
{
    MessageBox::SetHook({});
}

QStringList RecordingMessageBox::Texts() const
{
    QStringList texts;
    for (const MessageBox::Call &call : m_calls)
        texts << call.text;
    return texts;
}

RecordingShell::RecordingShell()
{
    ShellOpen::SetHook([this](const QString &target) { m_opened << target; });
}

RecordingShell::~RecordingShell()
{
    ShellOpen::SetHook({});
}

ScriptedChooser::ScriptedChooser()
{
    FileChooser::SetFolderHook([this](const QString &title, const QString &, const QString &preset) {
        m_titles << title;
        m_presets << preset;
        return m_folders.isEmpty() ? QString() : m_folders.takeFirst();
    });
    FileChooser::SetSaveHook([this](const QString &folder, const QString &, const QString &) {
        m_saveFolders << folder;
        return m_files.isEmpty() ? QString() : m_files.takeFirst();
    });
}

ScriptedChooser::~ScriptedChooser()
{
    FileChooser::SetFolderHook({});
    FileChooser::SetSaveHook({});
}
