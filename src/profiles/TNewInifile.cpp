#include "TNewInifile.h"

#include "IniText.h"
#include "app/EQuarnelError.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <memory>

namespace
{
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

bool OnlyBlanks(QStringView text)
{
    for (const QChar c : text) {
        if (c != u' ' && c != u'\t')
            return false;
    }
    return true;
}

QString SectionHeader(const QString &section)
{
    return QLatin1Char('[') + section + QLatin1Char(']');
}
} // namespace

TNewInifile::TNewInifile(const QString &fileName)
    : m_fileName(fileName)
{
    const QFileInfo info(fileName);
    if (!info.exists())
        return;
    // A folder, pipe or device in place of the file: reading it would fail or never end.
    if (!info.isFile())
        throw EQuarnelError(QStringLiteral("Unable to read ") + fileName);
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
    return ValueFromLines(key, IniText::SplitLines(ReadSectionText(section)), def);
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
    int offset = FindKeyOffset(sectionName, keyName);
    if (offset < 0) {
        m_lines.insert(header + 1, newLine);
        return;
    }
    if (offset == 0) {
        // The key stands behind the header on the header's own line: give it a line of its
        // own so that replacing it cannot take the header with it.
        const QString headerLower = IniText::AsciiLower(SectionHeader(sectionName));
        const qsizetype end = IniText::AsciiLower(m_lines.at(header)).indexOf(headerLower) + headerLower.size();
        m_lines.insert(header + 1, m_lines.at(header).mid(end));
        m_lines[header].truncate(end);
        offset = 1;
    }
    const int index = header + offset;
    const QString needle = IniText::AsciiLower(keyName) + QLatin1Char('=');
    const qsizetype at = IniText::AsciiLower(m_lines.at(index)).indexOf(needle);
    if (OnlyBlanks(QStringView(m_lines.at(index)).left(at))) {
        m_lines[index] = newLine;
    } else {
        // The match lies inside another key's line (SubType= for Type=, or inside a value).
        // Replacing that line would lose the other key; a new first line of the section is
        // what every later read finds first.
        m_lines.insert(header + 1, newLine);
    }
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
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || file.write(bytes) != bytes.size()
        || !file.commit())
        throw EQuarnelError(QStringLiteral("Unable to write to ") + owned->m_fileName);
}

QString TNewInifile::ReadSectionText(const QString &section) const
{
    const QString text = JoinLines(m_lines);
    const QString header = IniText::AsciiLower(SectionHeader(section));
    const qsizetype found = IniText::AsciiLower(text).indexOf(header);
    if (found < 0)
        return {};
    const qsizetype start = found + header.size();
    const qsizetype next = text.indexOf(QLatin1Char('['), start);
    return text.mid(start, (next < 0 ? text.size() : next) - start);
}

QString TNewInifile::ValueFromLines(const QString &key, const QStringList &lines, const QString &def)
{
    const QString needle = IniText::AsciiLower(key) + QLatin1Char('=');
    for (const QString &line : lines) {
        const qsizetype at = IniText::AsciiLower(line).indexOf(needle);
        if (at >= 0)
            return line.mid(at + needle.size());
    }
    return def;
}

int TNewInifile::FindSectionLine(const QString &section) const
{
    const QString header = IniText::AsciiLower(SectionHeader(section));
    for (int i = 0; i < m_lines.size(); ++i) {
        if (IniText::AsciiLower(m_lines.at(i)).contains(header))
            return i;
    }
    return -1;
}

int TNewInifile::FindKeyOffset(const QString &section, const QString &key) const
{
    const QStringList lines = IniText::SplitLines(ReadSectionText(section));
    const QString needle = IniText::AsciiLower(key) + QLatin1Char('=');
    for (int i = 0; i < lines.size(); ++i) {
        if (IniText::AsciiLower(lines.at(i)).contains(needle))
            return i;
    }
    return -1;
}
