#pragma once

#include "FakePowerManager.h"
#include "RecordingNotifier.h"
#include "core/MessageBox.h"

#include <QList>
#include <QStringList>

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

private:
    QList<MessageBox::Call> m_calls;
    QList<QMessageBox::StandardButton> m_answers;
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
