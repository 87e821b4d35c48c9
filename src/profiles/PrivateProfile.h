#pragma once

#include <QByteArray>
#include <QString>

// Private-profile INI routines: a file read whole, a value found in its bytes, one value
// changed on disk at a time. Lines are read as TNewInifile reads them (IniText::ReadLine);
// the first matching section and the first matching key in it count.
class PrivateProfile
{
public:
    // A settings file or profile larger than this is not read: no real one comes near it.
    static constexpr qint64 MaxFileBytes = 1 << 20;

    // The whole file: false when it is missing, larger than MaxFileBytes or unreadable.
    static bool ReadFile(const QString &fileName, QByteArray &bytes);
    // The key's value in the file's bytes, whole; def when the section or the key is missing.
    static QString ValueIn(const QByteArray &bytes, const QString &section, const QString &key, const QString &def);

    // Replaces the value of an existing key in place, adds a missing key after the last
    // non-blank line of its section, adds a missing section at the end of the file, and
    // creates a missing file. Every other byte of the file stays as it was. Returns false
    // when the file cannot be read or written; the file on disk is then unchanged.
    static bool WriteString(const QString &fileName, const QString &section, const QString &key, const QString &value);
};
