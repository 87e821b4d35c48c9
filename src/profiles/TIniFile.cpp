#include "TIniFile.h"

#include "IniText.h"
#include "PrivateProfile.h"
#include "core/EQuarnelError.h"

TIniFile::TIniFile(const QString &fileName) : m_fileName(fileName)
{ }

const QByteArray &TIniFile::Bytes() const
{
    if (!m_read) {
        if (!PrivateProfile::ReadFile(m_fileName, m_bytes))
            m_bytes.clear();
        m_read = true;
    }
    return m_bytes;
}

QString TIniFile::ReadString(const QString &section, const QString &key, const QString &def) const
{
    return PrivateProfile::ValueIn(Bytes(), section, key, def);
}

int TIniFile::ReadInteger(const QString &section, const QString &key, int def) const
{
    int value = 0;
    return IniText::ToInt32(ReadString(section, key, QString()), false, value) ? value : def;
}

bool TIniFile::ReadBool(const QString &section, const QString &key, bool def) const
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TIniFile::WriteString(const QString &section, const QString &key, const QString &value)
{
    m_read = false;
    if (!PrivateProfile::WriteString(m_fileName, section, key, value))
        throw EQuarnelError(QStringLiteral("Unable to write to ") + m_fileName);
}

void TIniFile::WriteInteger(const QString &section, const QString &key, int value)
{
    WriteString(section, key, QString::number(value));
}

void TIniFile::WriteBool(const QString &section, const QString &key, bool value)
{
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}
