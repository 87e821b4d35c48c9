#pragma once

#include <QList>
#include <QString>

// What a real-shaped test disc holds (its truth.json, written by make-real-dvd.py), and what a
// viewer sees and hears of a converted file, told apart by the code every source picture
// carries, its flashes and the bursts of sound that go with them.

struct TruthSegment
{
    QString Kind; // "progressive", "film-coded-interlaced", "interlaced", "soft-film", "progressive-video"
    double Start = 0, Duration = 0; // seconds of the title's playing clock
    int First = 0, Count = 0; // source pictures (fields of interlaced video)
    double Rate = 0; // source pictures a second
};

struct TruthAudio
{
    int Id = -1; // the VOB's id
    QString Coding; // "ac3", "lpcm", "mp2", "dts"
    int Channels = 0;
    QString Language;
    double Tone = 0; // Hz
    double PeakDbfs = 0;
};

struct TruthTitle
{
    int Number = 0;
    double Duration = 0;
    QList<TruthSegment> Segments;
    QList<double> ChapterStarts;
    QList<double> Flashes; // times of the flash pictures
    QList<TruthAudio> Audio;
};

TruthTitle ReadTruth(const QString &disc, int title);

// A picture a viewer should see of the span [from, to) of the title (the one on screen when it
// begins first): its code, and its time from the span's start. Interlaced video is seen at its frame rate, each frame
// showing its first field's picture; film at the film's rate.
struct ExpectedPicture
{
    int Code = 0;
    double Time = 0;
};
QList<ExpectedPicture> ExpectedPictures(const TruthTitle &title, double from, double to);

// The pictures of a file as it plays: each picture's code (-1 where none can be read), whether
// it flashes, and its time on the file's clock. `crop` (w:h:x:y) takes the source picture
// out of the frame where the file adds bars.
struct SeenPicture
{
    int Code = -1;
    bool Flash = false;
    double Time = 0;
};
QList<SeenPicture> WatchPictures(const QString &file, const QString &crop = QString());

// The starts of the bursts of a sound track of a file (its n-th), in seconds of the file's
// clock: where the sound first rises over a quarter of its loudest after a quiet stretch.
QList<double> BurstStarts(const QString &file, int track = 0);

// Where a file's sound track and its picture end on the file's clock, as a player plays them.
double SoundEnd(const QString &file, int track = 0);
double PictureEnd(const QString &file);

// Of a steady tone in a file's first sound track, a second from `at` on: its peak (dBFS)
// and the harmonics against the fundamental (total harmonic distortion, percent).
struct ToneFacts
{
    double PeakDbfs = -200;
    double DistortionPercent = 100;
};
ToneFacts MeasureTone(const QString &file, double tone, double at);
