#pragma once

#include "FakePowerManager.h"
#include "RecordingNotifier.h"
#include "core/MessageBox.h"

#include <QList>
#include <QStringList>

#include <functional>

// Records every message box and answers from a queue (Ok / Yes when the queue is empty).
class RecordingMessageBox
{
public:
    RecordingMessageBox();
    ~RecordingMessageBox();
    void Answer(QMessageBox::StandardButton button) { m_answers << button; }
    const QList<MessageBox::Call> &Calls() const { return m_calls; }
    QStringList Texts() const;
    void Clear() { m_calls.clear(); }
    // Runs while each box is open, before it is answered: what goes on behind a waiting box.
    void WhileShown(std::function<void(const MessageBox::Call &)> hook) { m_whileShown = std::move(hook); }

private:
    QList<MessageBox::Call> m_calls;
    QList<QMessageBox::StandardButton> m_answers;
    std::function<void(const MessageBox::Call &)> m_whileShown;
};

// Records what the program hands to the desktop to open.
class RecordingShell
{
public:
    RecordingShell();
    ~RecordingShell();
    const QStringList &Opened() const { return m_opened; }

private:
    QStringList m_opened;
};

// Answers the folder chooser and the save dialog from queues (empty queue: cancelled),
// recording the titles asked.
class ScriptedChooser
{
public:
    ScriptedChooser();
    ~ScriptedChooser();
    void ChooseFolder(const QString &folder) { m_folders << folder; }
    void ChooseSaveFile(const QString &file) { m_files << file; }
    const QStringList &FolderTitles() const { return m_titles; }
    const QStringList &FolderPresets() const { return m_presets; } // where each chooser began
    const QStringList &SaveFolders() const { return m_saveFolders; } // where each save dialog began

private:
    QStringList m_folders, m_files, m_titles, m_presets, m_saveFolders;
};
