#pragma once

#include <QString>

// What each entry's file is called: the task list shows it, the conversion writes it.

// A name part with every character replaced that cannot stand in a file name here or on
// the removable media output often goes to (separators, control characters, \ : * ? " < > |).
QString SafeFileNamePart(const QString &name);

// Output folder + (volume + "-" when there is one) + name + extension, names made safe.
QString TargetFileName(const QString &outputFolder, const QString &volumeName, const QString &outputName,
                       const QString &outputExt);

// File names here hold at most this many bytes.
constexpr int kMaxFileNameBytes = 255;

// How many leading characters of `volumeName` the output files can carry: every entry's
// name (`outputNames`) after it, with `outputExt` (or a longer one another profile may
// give), a rename number and the hidden name a file is written under, within
// kMaxFileNameBytes. volumeName.size() when the whole name fits.
int VolumeCharactersThatFit(const QString &volumeName, const QStringList &outputNames, const QString &outputExt);

// The first of name-1.ext, name-2.ext, ... that does not exist yet.
QString RenamedTargetFile(const QString &targetFile, const QString &outputExt);
// The n-th of those names, whether it exists or not.
QString RenameCandidate(const QString &targetFile, const QString &outputExt, int n);
