#pragma once

#include <QString>

// Thin wrapper over the private-profile routines (PrivateProfile.h): every call opens the
// file, reads or writes, and finishes. Whole-name, case-insensitive section and key match.
class TIniFile
{
public:
    explicit TIniFile(const QString &fileName);

    const QString &FileName() const { return m_fileName; }

    QString ReadString(const QString &section, const QString &key, const QString &def) const;
    int ReadInteger(const QString &section, const QString &key, int def) const;
    bool ReadBool(const QString &section, const QString &key, bool def) const;

    // A failed write throws EQuarnelError("Unable to write to " + file name).
    void WriteString(const QString &section, const QString &key, const QString &value);
    void WriteInteger(const QString &section, const QString &key, int value);
    void WriteBool(const QString &section, const QString &key, bool value);

private:
    QString m_fileName;
};
