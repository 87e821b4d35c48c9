#include "PrivateProfile.h"

#include "IniText.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSaveFile>

namespace {
// One line of the file: its text is bytes [start, end); the next line begins at next
// (next == end for a last line without a line end).
struct Line
{
    qsizetype start;
    qsizetype end;
    qsizetype next;
};

const QByteArray Utf8Bom("\xEF\xBB\xBF");
const QByteArray LineEnd("\r\n");

// The lines as IniText::SplitLines cuts the decoded text: line ends are ASCII and no UTF-8
// sequence holds one, so line i here is line i there.
QList<Line> ScanLines(const QByteArray &bytes)
{
    QList<Line> lines;
    const char *data = bytes.constData();
    const qsizetype size = bytes.size();
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < size) {
        const char c = data[i];
        if (c != '\r' && c != '\n') {
            ++i;
            continue;
        }
        const qsizetype end = i;
        if (c == '\r' && i + 1 < size && data[i + 1] == '\n')
            ++i;
        ++i;
        lines.append({start, end, i});
        start = i;
    }
    if (start < size)
        lines.append({start, size, size});
    return lines;
}

QString TrimmedName(const QString &name)
{
    qsizetype from = 0;
    qsizetype to = name.size();
    while (from < to && (name.at(from) == u' ' || name.at(from) == u'\t'))
        ++from;
    while (to > from && (name.at(to - 1) == u' ' || name.at(to - 1) == u'\t'))
        --to;
    return name.mid(from, to - from);
}

// Missing file: true with no bytes. Anything but a regular file (a folder, a pipe) is
// refused before opening, since reading it would fail or never end.
bool ReadWholeFile(const QString &fileName, QByteArray &bytes, bool &exists)
{
    const QFileInfo info(fileName);
    exists = info.exists();
    if (!exists)
        return true;
    if (!info.isFile() || info.size() > PrivateProfile::MaxFileBytes)
        return false;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    bytes = file.read(PrivateProfile::MaxFileBytes + 1);
    if (bytes.size() > PrivateProfile::MaxFileBytes)
        return false;
    return file.error() == QFileDevice::NoError;
}

} // namespace

bool PrivateProfile::ReadFile(const QString &fileName, QByteArray &bytes)
{
    bool exists = false;
    return ReadWholeFile(fileName, bytes, exists) && exists;
}

QString PrivateProfile::ValueIn(const QByteArray &bytes, const QString &section, const QString &key, const QString &def)
{
    const QStringList lines = IniText::SplitLines(IniText::Decode(bytes));
    const int line = IniText::FindKey(lines, IniText::FindSection(lines, section), key);
    return line < 0 ? def : IniText::ReadLine(lines.at(line)).value.toString();
}

bool PrivateProfile::WriteString(const QString &fileName, const QString &section, const QString &key,
                                 const QString &value)
{
    QByteArray bytes;
    bool exists = false;
    if (!ReadWholeFile(fileName, bytes, exists))
        return false;

    // A line break inside a name or value would turn one line into several.
    const QString sectionName = IniText::WithoutLineBreaks(TrimmedName(section));
    const QString keyName = IniText::WithoutLineBreaks(TrimmedName(key));
    const QByteArray newLine = IniText::Encode(keyName + QLatin1Char('=') + IniText::WithoutLineBreaks(value));

    const QStringList text = IniText::SplitLines(IniText::Decode(bytes));
    const QList<Line> lines = ScanLines(bytes);
    Q_ASSERT(lines.size() == text.size());
    const int header = IniText::FindSection(text, sectionName);
    const int keyLine = IniText::FindKey(text, header, keyName);
    if (keyLine >= 0) {
        const Line &line = lines.at(keyLine);
        bytes.replace(line.start, line.end - line.start, newLine);
    } else if (header >= 0) {
        int last = header; // the last non-blank line of the section
        for (int i = header + 1; i < text.size(); ++i) {
            const IniText::Line::Kind kind = IniText::ReadLine(text.at(i)).kind;
            if (kind == IniText::Line::Kind::Section)
                break;
            if (kind != IniText::Line::Kind::Blank)
                last = i;
        }
        const Line &after = lines.at(last);
        if (after.next == after.end) // the file's last line, without a line end
            bytes.insert(after.next, LineEnd + newLine + LineEnd);
        else
            bytes.insert(after.next, newLine + LineEnd);
    } else {
        const qsizetype bom = bytes.startsWith(Utf8Bom) ? Utf8Bom.size() : 0;
        if (bytes.size() > bom && !bytes.endsWith('\n') && !bytes.endsWith('\r'))
            bytes += LineEnd;
        bytes += '[' + IniText::Encode(sectionName) + ']' + LineEnd + newLine + LineEnd;
    }

    // Written beside the file and renamed over it: a failed write leaves the old file whole.
    // Unbuffered, because a buffered QSaveFile commits a short write (disk full) as success.
    QSaveFile file(fileName);
    return file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && file.write(bytes) == bytes.size()
        && file.commit();
}
