#pragma once

#include <QString>
#include <QStringList>

// The target file is written under a hidden name beside it and takes its real name only
// once it has been checked, so nothing broken ever carries a real name, and two runs
// writing into one folder cannot take the same name.

// Creates an empty file of its own beside the target, with the target's extension (the
// transcoder picks the format by it): folder/.name.PID-XXXXXX.partial.ext. Empty, with the
// reason in `error`, when the folder takes no file.
QString CreatePartialFile(const QString &targetFile, QString &error);

// Removes the hidden partial files of the folder whose writer is gone (a run that was
// killed outright leaves its file behind); returns the files removed.
QStringList RemoveStalePartialFiles(const QString &folder);

// A named pipe at `path` (a streamed conversion's intermediate), for this user only. False,
// with the reason in `error`, when the folder takes none.
bool CreatePipe(const QString &path, QString &error);

enum class ClaimRule {
    Replace, // the target's name, whatever is there (a link is replaced, not followed)
    NextFree, // the target's name, or when taken the first free name-1.ext, name-2.ext, ...
    KeepExisting, // the target's name only while nothing has it
};

enum class ClaimResult { Claimed, Taken, Failed };

// Moves the partial file to its final name in one step. `target` is the name asked for and,
// after NextFree, the name taken. Taken: KeepExisting found the name in use (the partial
// file stays). Failed: the reason is in `error` (the partial file stays).
ClaimResult ClaimTargetFile(const QString &partialFile, QString &target, ClaimRule rule, const QString &outputExt,
                            QString &error);
