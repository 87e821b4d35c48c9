#pragma once

#include <QString>

#include <functional>

class QWidget;

// The folder chooser and the save dialog. Tests answer them through the hooks.
class FileChooser
{
public:
    // The system's folder chooser with `title` above it, starting at `root` (empty: the
    // file system's top) with `preset` selected when it names an existing folder. True and
    // the chosen folder (without a trailing separator) when the user confirms.
    static bool BrowseForFolder(QWidget *owner, const QString &title, const QString &root, const QString &preset,
                                QString &folder);

    // The same chooser that also lists DVD images ("*.iso") next to the folders, for opening
    // a DVD, beginning in startFolder: true and the chosen folder or image.
    static bool BrowseForDvd(QWidget *owner, const QString &title, const QString &startFolder, QString &path);

    // A save dialog beginning in `folder`; the chosen file name, or empty when cancelled.
    // `filter` in the form "Profiles (*.apf)", `defaultSuffix` without a dot.
    static QString SaveFileName(QWidget *owner, const QString &folder, const QString &filter,
                                const QString &defaultSuffix);

    // Test hooks: each returns what the user "chose" (empty: cancelled); the folder hook
    // answers BrowseForDvd too. Empty hooks put the real dialogs back.
    using FolderHook = std::function<QString(const QString &title, const QString &root, const QString &preset)>;
    using SaveHook = std::function<QString(const QString &folder, const QString &filter, const QString &defaultSuffix)>;
    static void SetFolderHook(FolderHook hook);
    static void SetSaveHook(SaveHook hook);
};
