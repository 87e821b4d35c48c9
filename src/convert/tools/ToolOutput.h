#pragma once

#include <QString>

// Reading the tools' progress figures from one chunk of their console output. Only the
// first marker of a chunk counts; a chunk without one, or with text that is not a
// number after it, leaves the caller's value alone (false).

// MEncoder's status line: the seconds between "Pos:" and the next "s", e.g. "Pos:  12.3s".
bool ParseEncoderPosition(const QString &chunk, double &seconds);

// FFmpeg's status line: the text after "time=" up to the next blank, either plain seconds
// ("time=4.00") or a clock ("time=00:01:02.50", as FFmpeg 5 writes it). Negative times,
// which FFmpeg shows before the first frame, are not progress.
bool ParseTranscoderTime(const QString &chunk, double &seconds);

// The pictures FFmpeg has written: the whole number after the first "frame=" (blanks may
// come between). False when the chunk holds none.
bool ParseTranscoderFrames(const QString &chunk, qint64 &frames);

// The line of a tool's output that best says why it failed: the last one that reads like
// an error ("No space left on device", "Permission denied", "Error ..."), else the last line
// that is not a status line (unless errorsOnly). Empty when the output holds neither.
QString LastErrorLine(const QString &output, bool errorsOnly = false);
