#include "IniText.h"

#include <QStringDecoder>

#include <climits>

namespace {
constexpr char16_t EscapeBase = 0xDC00; // + byte value, for bytes 0x80..0xFF

bool IsContinuation(uchar b)
{
    return (b & 0xC0) == 0x80;
}

// Length of the valid UTF-8 sequence at data[i], or 0 when the bytes there are not one.
int ValidSequenceLength(const uchar *data, qsizetype i, qsizetype size, char32_t &codePoint)
{
    const uchar b = data[i];
    int length;
    char32_t cp;
    if (b >= 0xC2 && b <= 0xDF) {
        length = 2;
        cp = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        length = 3;
        cp = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        length = 4;
        cp = b & 0x07;
    } else {
        return 0;
    }
    if (i + length > size)
        return 0;
    for (int k = 1; k < length; ++k) {
        if (!IsContinuation(data[i + k]))
            return 0;
        cp = (cp << 6) | (data[i + k] & 0x3F);
    }
    if (length == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF)))
        return 0;
    if (length == 4 && (cp < 0x10000 || cp > 0x10FFFF))
        return 0;
    codePoint = cp;
    return length;
}

bool IsBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool IsLineEnd(QChar c)
{
    return c == u'\r' || c == u'\n';
}

QStringView Trimmed(QStringView text)
{
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && IsBlank(text[from]))
        ++from;
    while (to > from && IsBlank(text[to - 1]))
        --to;
    return text.sliced(from, to - from);
}

char16_t AsciiLowerChar(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? char16_t(c + (u'a' - u'A')) : c;
}

bool IsLoneEscape(const QString &text, qsizetype i)
{
    const char16_t c = text.at(i).unicode();
    if (c < EscapeBase + 0x80 || c > EscapeBase + 0xFF)
        return false;
    return i == 0 || !text.at(i - 1).isHighSurrogate();
}
} // namespace

QString IniText::Decode(const QByteArray &bytes)
{
    // Keep a byte order mark as a character: it goes back to the file with the rest.
    // Stateless: a sequence cut off at the end counts as an error instead of being held back.
    QStringDecoder strict(QStringConverter::Utf8,
                          QStringConverter::Flag::ConvertInitialBom | QStringConverter::Flag::Stateless);
    QString text = strict.decode(bytes);
    if (!strict.hasError())
        return text;

    text.clear();
    text.reserve(bytes.size());
    const auto *data = reinterpret_cast<const uchar *>(bytes.constData());
    const qsizetype size = bytes.size();
    qsizetype i = 0;
    while (i < size) {
        const uchar b = data[i];
        if (b < 0x80) {
            text.append(QChar(char16_t(b)));
            ++i;
            continue;
        }
        char32_t cp = 0;
        const int length = ValidSequenceLength(data, i, size, cp);
        if (length == 0) {
            text.append(QChar(char16_t(EscapeBase + b)));
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            text.append(QChar(QChar::highSurrogate(cp)));
            text.append(QChar(QChar::lowSurrogate(cp)));
        } else {
            text.append(QChar(char16_t(cp)));
        }
        i += length;
    }
    return text;
}

QByteArray IniText::Encode(const QString &text)
{
    QByteArray out;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!IsLoneEscape(text, i))
            continue;
        out += QStringView(text).mid(start, i - start).toUtf8();
        out += char(text.at(i).unicode() - EscapeBase);
        start = i + 1;
    }
    if (start == 0)
        return text.toUtf8();
    out += QStringView(text).mid(start).toUtf8();
    return out;
}

QStringList IniText::SplitLines(const QString &text)
{
    QStringList lines;
    const qsizetype size = text.size();
    const QChar *data = text.constData();
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < size) {
        const char16_t c = data[i].unicode();
        if (c == u'\r' || c == u'\n') {
            lines.append(text.mid(start, i - start));
            if (c == u'\r' && i + 1 < size && data[i + 1] == u'\n')
                ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < size)
        lines.append(text.mid(start));
    return lines;
}

IniText::Line IniText::ReadLine(QStringView line)
{
    // A line end left on the line, and an editor's byte order mark in front of the first
    // line, are no text.
    QStringView text = line;
    while (!text.isEmpty() && (IsBlank(text.back()) || IsLineEnd(text.back())))
        text.chop(1);
    while (!text.isEmpty() && (IsBlank(text.front()) || text.front() == QChar(0xFEFF)))
        text = text.sliced(1);

    Line read;
    if (text.isEmpty())
        return read;
    if (text.front() == u';' || text.front() == u'#') {
        read.kind = Line::Kind::Comment;
        return read;
    }
    if (text.front() == u'[') {
        const QStringView rest = text.sliced(1);
        const qsizetype close = rest.indexOf(u']');
        read.kind = Line::Kind::Section;
        read.name = Trimmed(close < 0 ? rest : rest.first(close));
        return read;
    }
    const qsizetype equals = text.indexOf(u'=');
    if (equals < 0) {
        read.kind = Line::Kind::Other;
        return read;
    }
    read.kind = Line::Kind::Key;
    read.name = Trimmed(text.first(equals));
    read.value = Trimmed(text.sliced(equals + 1));
    return read;
}

bool IniText::SameName(QStringView a, QStringView b)
{
    a = Trimmed(a);
    b = Trimmed(b);
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (AsciiLowerChar(a[i].unicode()) != AsciiLowerChar(b[i].unicode()))
            return false;
    }
    return true;
}

int IniText::FindSection(const QStringList &lines, QStringView section)
{
    for (int i = 0; i < lines.size(); ++i) {
        const Line line = ReadLine(lines.at(i));
        if (line.kind == Line::Kind::Section && SameName(line.name, section))
            return i;
    }
    return -1;
}

int IniText::FindKey(const QStringList &lines, int header, QStringView key)
{
    if (header < 0)
        return -1;
    for (int i = header + 1; i < lines.size(); ++i) {
        const Line line = ReadLine(lines.at(i));
        if (line.kind == Line::Kind::Section)
            break;
        if (line.kind == Line::Kind::Key && SameName(line.name, key))
            return i;
    }
    return -1;
}

QString IniText::AsciiLower(const QString &text)
{
    QString lower = text;
    QChar *data = lower.data();
    for (qsizetype i = 0, size = lower.size(); i < size; ++i)
        data[i] = QChar(AsciiLowerChar(data[i].unicode()));
    return lower;
}

QString IniText::WithoutLineBreaks(const QString &text)
{
    QString single = text;
    single.replace(QLatin1Char('\r'), QLatin1Char(' '));
    single.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return single;
}

bool IniText::ToInt32(const QString &text, bool allowDollar, int &value)
{
    const qsizetype size = text.size();
    qsizetype i = 0;
    while (i < size && (text.at(i) == u' ' || text.at(i) == u'\t'))
        ++i;
    bool negative = false;
    if (i < size && (text.at(i) == u'+' || text.at(i) == u'-')) {
        negative = text.at(i) == u'-';
        ++i;
    }
    int base = 10;
    if (allowDollar && i < size && text.at(i) == u'$') {
        base = 16;
        ++i;
    } else if (i + 1 < size && text.at(i) == u'0' && (text.at(i + 1) == u'x' || text.at(i + 1) == u'X')) {
        base = 16;
        i += 2;
    }
    if (i == size)
        return false;
    qint64 magnitude = 0;
    for (; i < size; ++i) {
        const char16_t c = text.at(i).unicode();
        int digit;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (base == 16 && c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (base == 16 && c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        else
            return false;
        magnitude = magnitude * base + digit;
        if (magnitude > qint64(INT_MAX) + 1)
            return false;
    }
    if (!negative && magnitude > INT_MAX)
        return false;
    value = int(negative ? -magnitude : magnitude);
    return true;
}
