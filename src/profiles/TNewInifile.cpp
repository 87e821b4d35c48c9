#include "TNewInifile.h"

#include "IniText.h"
#include "PrivateProfile.h"
#include "core/EQuarnelError.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <memory>

namespace {
QString JoinLines(const QStringList &lines)
{
    qsizetype size = 0;
    for (const QString &line : lines)
        size += line.size() + 2;
    QString text;
    text.reserve(size);
    for (const QString &line : lines) {
        text += line;
        text += QLatin1String("\r\n");
    }
    return text;
}

QString SectionHeader(const QString &section)
{
    return QLatin1Char('[') + section + QLatin1Char(']');
}
} // namespace

TNewInifile::TNewInifile(const QString &fileName) : m_fileName(fileName)
{
    const QFileInfo info(fileName);
    if (!info.exists())
        return;
    // A folder, pipe or device in place of the file: reading it would fail or never end.
    if (!info.isFile())
        throw EQuarnelError(QStringLiteral("Unable to read ") + fileName);
    if (info.size() > PrivateProfile::MaxFileBytes)
        throw EQuarnelError(QStringLiteral("Unable to read %1: it is larger than 1 MB.").arg(fileName));
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw EQuarnelError(QStringLiteral("Unable to read ") + fileName);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EQuarnelError(QStringLiteral("Unable to read ") + fileName);
    m_lines = IniText::SplitLines(IniText::Decode(bytes));
}

QString TNewInifile::ReadString(const QString &section, const QString &key, const QString &def) const
{
    const int line = IniText::FindKey(m_lines, FindSectionLine(section), key);
    return line < 0 ? def : IniText::ReadLine(m_lines.at(line)).value.toString();
}

int TNewInifile::ReadInteger(const QString &section, const QString &key, int def) const
{
    int value = 0;
    return IniText::ToInt32(ReadString(section, key, QString::number(def)), true, value) ? value : def;
}

bool TNewInifile::ReadBool(const QString &section, const QString &key, bool def) const
{
    const QString text = ReadString(section, key, def ? QStringLiteral("-1") : QStringLiteral("0"));
    int value = 0;
    if (IniText::ToInt32(text, true, value))
        return value != 0;
    const QString word = IniText::AsciiLower(text);
    if (word == u"true")
        return true;
    if (word == u"false")
        return false;
    return def;
}

void TNewInifile::WriteString(const QString &section, const QString &key, const QString &value)
{
    // A line break inside a name or value would turn one line into several.
    const QString sectionName = IniText::WithoutLineBreaks(section);
    const QString keyName = IniText::WithoutLineBreaks(key);
    const QString newLine = keyName + QLatin1Char('=') + IniText::WithoutLineBreaks(value);

    const int header = FindSectionLine(sectionName);
    if (header < 0) {
        m_lines.append(SectionHeader(sectionName));
        m_lines.append(newLine);
        return;
    }
    const int offset = FindKeyOffset(sectionName, keyName);
    if (offset < 0)
        m_lines.insert(header + 1, newLine);
    else
        m_lines[header + offset] = newLine;
}

void TNewInifile::WriteInteger(const QString &section, const QString &key, int value)
{
    WriteString(section, key, QString::number(value));
}

void TNewInifile::WriteBool(const QString &section, const QString &key, bool value)
{
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TNewInifile::SaveAndFree(TNewInifile *&store)
{
    if (!store)
        return;
    const std::unique_ptr<TNewInifile> owned(store);
    store = nullptr;

    // Written beside the file and renamed over it: a failed write leaves the old file whole.
    // Unbuffered, because a buffered QSaveFile commits a short write (disk full) as success.
    QSaveFile file(owned->m_fileName);
    const QByteArray bytes = IniText::Encode(JoinLines(owned->m_lines));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || file.write(bytes) != bytes.size() || !file.commit())
        throw EQuarnelError(QStringLiteral("Unable to write to ") + owned->m_fileName);
}

QString TNewInifile::ReadSectionText(const QString &section) const
{
    const int header = FindSectionLine(section);
    if (header < 0)
        return {};
    QString text = QStringLiteral("\r\n");
    for (int i = header + 1; i < m_lines.size(); ++i) {
        if (IniText::ReadLine(m_lines.at(i)).kind == IniText::Line::Kind::Section)
            break;
        text += m_lines.at(i) + QStringLiteral("\r\n");
    }
    return text;
}

QString TNewInifile::ValueFromLines(const QString &key, const QStringList &lines, const QString &def)
{
    for (const QString &text : lines) {
        const IniText::Line line = IniText::ReadLine(text);
        if (line.kind == IniText::Line::Kind::Key && IniText::SameName(line.name, key))
            return line.value.toString();
    }
    return def;
}

int TNewInifile::FindSectionLine(const QString &section) const
{
    return IniText::FindSection(m_lines, section);
}

int TNewInifile::FindKeyOffset(const QString &section, const QString &key) const
{
    const int header = FindSectionLine(section);
    const int line = IniText::FindKey(m_lines, header, key);
    return line < 0 ? -1 : line - header;
}
