#pragma once

#include <QList>
#include <QString>

// Where the encoder's reading of an entry begins and what it finds there. The encoder can
// begin exactly only at a program of the title (its start or a chapter); an entry that starts
// elsewhere begins at the program before it and the rest is cut off afterwards. At that
// program the encoder takes the first picture and the first sound it meets as the same
// moment, although the disc stores sound ahead of its pictures (often by half a second):
// the difference is what the sound must be moved by.
struct TStreamStart
{
    bool Found = false;
    int Program = 0; // 0-based program of the title's chain where the reading begins
    int Part = 1; // the DVD chapter (part of title) that program begins, as -chapter counts
    double ProgramStart = 0; // its time in the title, seconds, exact to the millisecond
    QList<double> ProgramStarts; // every program's, for exact chapter ends
    double TitleLength = 0;
    // Real seconds per second of the tables' times: NTSC tables count 30 frames a second
    // where 29.97 play.
    double ClockScale = 1.0;
    qint64 VideoPts = 0; // 90 kHz ticks: the first picture there
    qint64 AudioPts = 0; // the first sound of the chosen stream there

    // Seconds by which the first sound comes before the first picture.
    double AudioLead() const { return double(VideoPts - AudioPts) / 90000.0; }

    // At the last program that begins a DVD chapter at or before `program` (0-based) or, for
    // -1, at or before `startSeconds` (a thousandth of a second early counts): a program that
    // begins no chapter cannot be asked for. audioId: the VOB's id of the sound stream (AC3 0x80 + n, MPEG audio n,
    // ...), -1 for none.
    static TStreamStart Read(const QString &location, int titleNumber, int program, double startSeconds, int audioId);
};
