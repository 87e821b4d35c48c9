#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Text helpers shared by the two INI stores.
namespace IniText {
// INI files are 8-bit text, read as UTF-8. Bytes that are not valid UTF-8 are carried as
// the lone surrogates U+DC80..U+DCFF and written back as the same bytes, so reading and
// rewriting a file never changes text the program did not touch.
QString Decode(const QByteArray &bytes);
QByteArray Encode(const QString &text);

// Splits at CR LF, lone CR or lone LF. A line end at the very end adds no empty line.
QStringList SplitLines(const QString &text);

// Lower-cases the letters A to Z only.
QString AsciiLower(const QString &text);

// Line-break characters would split one value into several lines of the file.
QString WithoutLineBreaks(const QString &text);

// 32-bit integer: optional leading blanks, optional sign, then decimal digits or hex digits
// after "0x" (or "$" when allowDollar); nothing may follow. False for anything else or on overflow.
bool ToInt32(const QString &text, bool allowDollar, int &value);
} // namespace IniText
