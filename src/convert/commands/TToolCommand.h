#pragma once

#include <QString>
#include <QStringList>

// One tool run: the executable and its arguments, built piece by piece so that paths with
// blanks, quotes or any other character reach the tool as one argument each (no shell is
// ever involved). The same pieces also make the readable command-line text shown in the
// window's hidden text box and in notes.
class TToolCommand
{
public:
    TToolCommand() = default;
    explicit TToolCommand(const QString &program) : m_program(program) { }

    // One argument; shown as is (quoted when it holds a blank or a quote).
    TToolCommand &Add(const QString &argument);
    // One argument, always shown in double quotes (files the tool writes or reads).
    TToolCommand &AddQuoted(const QString &argument);
    // A file the tool writes: shown quoted, and the one file the tool may write there.
    TToolCommand &AddWritten(const QString &file);
    // FFmpeg's "-i file", opened as a local file only: no network, no other protocol, whatever
    // a list or an index inside it names.
    TToolCommand &AddFileInput(const QString &file);
    // A text of blank-separated words that holds no paths, one argument per word.
    TToolCommand &AddWords(const QString &words);

    const QString &Program() const { return m_program; }
    const QStringList &Arguments() const { return m_arguments; }
    // " " before every piece: " dvd://1 -dvd-device /media/cdrom/VIDEO_TS ...".
    const QString &Text() const { return m_text; }
    const QStringList &Written() const { return m_written; }

private:
    QString m_program;
    QStringList m_arguments;
    QString m_text;
    QStringList m_written;
};
