#include "PrivateProfile.h"

#include "IniText.h"

#include <QByteArrayView>
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

qsizetype BomLength(const QByteArray &bytes)
{
    return bytes.startsWith(Utf8Bom) ? Utf8Bom.size() : 0;
}

QList<Line> ScanLines(const QByteArray &bytes)
{
    QList<Line> lines;
    const char *data = bytes.constData();
    const qsizetype size = bytes.size();
    qsizetype start = BomLength(bytes); // an editor's byte order mark is not part of the first line
    qsizetype i = start;
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

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

QByteArrayView Trimmed(QByteArrayView text)
{
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && IsBlank(text[from]))
        ++from;
    while (to > from && IsBlank(text[to - 1]))
        --to;
    return text.sliced(from, to - from);
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

QByteArrayView LineText(const QByteArray &bytes, const Line &line)
{
    return QByteArrayView(bytes).sliced(line.start, line.end - line.start);
}

// A header line "[name]" (blanks allowed around it and inside the brackets); a missing "]"
// lets the name run to the end of the line.
bool SectionNameOf(QByteArrayView line, QByteArrayView &name)
{
    const QByteArrayView text = Trimmed(line);
    if (text.isEmpty() || text[0] != '[')
        return false;
    const QByteArrayView rest = text.sliced(1);
    const qsizetype close = rest.indexOf(']');
    name = Trimmed(close < 0 ? rest : rest.first(close));
    return true;
}

bool KeyOf(QByteArrayView line, QByteArrayView &key, QByteArrayView &value)
{
    const qsizetype equals = line.indexOf('=');
    if (equals < 0)
        return false;
    key = Trimmed(line.first(equals));
    value = Trimmed(line.sliced(equals + 1));
    return true;
}

bool SameName(QByteArrayView raw, const QString &name)
{
    return IniText::Decode(raw.toByteArray()).compare(name, Qt::CaseInsensitive) == 0;
}

int FindSection(const QByteArray &bytes, const QList<Line> &lines, const QString &section)
{
    for (int i = 0; i < lines.size(); ++i) {
        QByteArrayView name;
        if (SectionNameOf(LineText(bytes, lines.at(i)), name) && SameName(name, section))
            return i;
    }
    return -1;
}

bool IsHeader(const QByteArray &bytes, const Line &line)
{
    QByteArrayView name;
    return SectionNameOf(LineText(bytes, line), name);
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

QString CutValue(const QString &value)
{
    if (value.size() <= PrivateProfile::MaxValueLength)
        return value;
    qsizetype length = PrivateProfile::MaxValueLength;
    if (value.at(length - 1).isHighSurrogate())
        --length; // never leave half a character behind
    return value.left(length);
}
} // namespace

bool PrivateProfile::ReadFile(const QString &fileName, QByteArray &bytes)
{
    bool exists = false;
    return ReadWholeFile(fileName, bytes, exists) && exists;
}

QString PrivateProfile::ValueIn(const QByteArray &bytes, const QString &section, const QString &key, const QString &def)
{
    const QList<Line> lines = ScanLines(bytes);
    const int header = FindSection(bytes, lines, TrimmedName(section));
    if (header < 0)
        return def;
    const QString wantedKey = TrimmedName(key);
    for (int i = header + 1; i < lines.size(); ++i) {
        const QByteArrayView text = LineText(bytes, lines.at(i));
        QByteArrayView name;
        if (SectionNameOf(text, name))
            break;
        QByteArrayView value;
        if (KeyOf(text, name, value) && SameName(name, wantedKey))
            return CutValue(IniText::Decode(value.toByteArray()));
    }
    return def;
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

    const QList<Line> lines = ScanLines(bytes);
    const int header = FindSection(bytes, lines, sectionName);
    if (header >= 0) {
        int last = header; // the last non-blank line of the section
        bool replaced = false;
        for (int i = header + 1; i < lines.size(); ++i) {
            const Line &line = lines.at(i);
            const QByteArrayView text = LineText(bytes, line);
            if (IsHeader(bytes, line))
                break;
            QByteArrayView name;
            QByteArrayView oldValue;
            if (KeyOf(text, name, oldValue) && SameName(name, keyName)) {
                bytes.replace(line.start, line.end - line.start, newLine);
                replaced = true;
                break;
            }
            if (!Trimmed(text).isEmpty())
                last = i;
        }
        if (!replaced) {
            const Line &after = lines.at(last);
            if (after.next == after.end) // the file's last line, without a line end
                bytes.insert(after.next, LineEnd + newLine + LineEnd);
            else
                bytes.insert(after.next, newLine + LineEnd);
        }
    } else {
        if (bytes.size() > BomLength(bytes) && !bytes.endsWith('\n') && !bytes.endsWith('\r'))
            bytes += LineEnd;
        bytes += '[' + IniText::Encode(sectionName) + ']' + LineEnd + newLine + LineEnd;
    }

    // Written beside the file and renamed over it: a failed write leaves the old file whole.
    // Unbuffered, because a buffered QSaveFile commits a short write (disk full) as success.
    QSaveFile file(fileName);
    return file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && file.write(bytes) == bytes.size()
        && file.commit();
}
