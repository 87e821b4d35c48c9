#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

// Text helpers shared by the two INI stores.
namespace IniText {
// INI files are 8-bit text, read as UTF-8. Bytes that are not valid UTF-8 are carried as
// the lone surrogates U+DC80..U+DCFF and written back as the same bytes, so reading and
// rewriting a file never changes text the program did not touch.
QString Decode(const QByteArray &bytes);
QByteArray Encode(const QString &text);

// Splits at CR LF, lone CR or lone LF. A line end at the very end adds no empty line.
QStringList SplitLines(const QString &text);

// One line as both stores read it, so that a file cannot read one way in the Settings
// dialog and another in a conversion. Blanks (spaces, tabs) around names and values, a
// byte order mark in front and a line end left on the line count for nothing.
struct Line
{
    enum class Kind {
        Blank,
        Comment, // first non-blank ";" or "#"
        Section, // first non-blank "[": the name runs to "]", or to the line's end without one
        Key, // name "=" value, split at the first "="; a value keeps inner blanks, "=" and ";"
        Other // text without "="
    };
    Kind kind = Kind::Blank;
    QStringView name;
    QStringView value;
};
Line ReadLine(QStringView line);

// Section and key names match whole, blanks around them aside, with the case of A to Z ignored.
bool SameName(QStringView a, QStringView b);

// The first header of the section; -1 when there is none.
int FindSection(const QStringList &lines, QStringView section);
// The first line of the key in the section headed at lines[header], up to the next header;
// -1 when there is none.
int FindKey(const QStringList &lines, int header, QStringView key);

// Lower-cases the letters A to Z only.
QString AsciiLower(const QString &text);

// Line-break characters would split one value into several lines of the file.
QString WithoutLineBreaks(const QString &text);

// 32-bit integer: optional leading blanks, optional sign, then decimal digits or hex digits
// after "0x" (or "$" when allowDollar); nothing may follow. False for anything else or on overflow.
bool ToInt32(const QString &text, bool allowDollar, int &value);
} // namespace IniText
