#pragma once

#include <QByteArray>
#include <QString>

// Thin wrapper over the private-profile routines (PrivateProfile.h). The file is read once,
// at the first read, and again after a write; each write opens the file, writes and finishes.
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
    const QByteArray &Bytes() const;

    QString m_fileName;
    mutable QByteArray m_bytes;
    mutable bool m_read = false; // m_bytes holds the file (empty: missing or not readable)
};
