#pragma once

#include "convert/commands/TScanType.h"
#include "convert/commands/TToolCommand.h"
#include "dvd/TStreamStart.h"

#include <QString>

struct TConversionEntry;
struct TMencOutputSettings;

// The encoder's runs (MEncoder): the pre-pass, and the encoder pass that writes an
// intermediate file.

// Seconds with exactly three decimals and a point: 95.000.
QString SecondsText(double seconds);

// Whether an entry ends within the last second of its title, where MEncoder's -endpos
// would never let it end.
constexpr double kTitleEndSlack = 1.0;
bool RunsToTitleEnd(const TConversionEntry &entry);

// The entry's span on the disc's own clock, and where the encoder begins reading it. The
// encoder begins exactly only at a program: at the title's start (a seek to its first
// instant) or with -chapter, where it writes one broken picture before the first real one.
// Either way it takes the first sound it meets, which the disc stores ahead of its picture,
// for the sound of that picture. The converter cuts all that off again (CutTranscoderToEntry).
struct TEntryTimeline
{
    int Program = 0; // 0-based; 0 is the title's start
    int Part = 1; // the DVD chapter it begins (what -chapter takes)
    double ProgramStart = 0; // seconds in the title
    double Start = 0; // the entry's span: exact where it is a chapter's or the title's own
    double End = 0;
    double AudioLead = 0; // seconds the first sound lies before the first picture
    double PictureLate = 0; // seconds the encoder's first picture comes after where it began
    double ClockScale = 1.0; // real seconds per second of the times above (TStreamStart)
    double Lead() const { return Start - ProgramStart; } // read only to be cut off
    int BrokenPictures() const { return Program > 0 ? 1 : 0; }
};

// The program TStreamStart::Read should begin at: an untrimmed title or chapter its own, -1
// for "the one before the start".
int StartProgramHint(const TConversionEntry &entry);
// What the disc says of the start (not Found: the entry's own times, from the title's start).
TEntryTimeline EntryTimeline(const TConversionEntry &entry, const TStreamStart &start);

// MEncoder's encoder pass up to, not including, its output file: title, DVD folder, start
// (the timeline's program) and length, the codec options, the audio stream, the title's
// picture treatment (filters and film rate), scaling and subtitle. False, with the reason in
// `problem`, when the entry's times or the profile's frame width are unusable.
bool BuildEncoderCommand(const TConversionEntry &entry, const TEntryTimeline &timeline, const QString &dvdPath,
                         const QString &encoderOptions, const TMencOutputSettings &settings,
                         const TPictureTreatment &treatment, TToolCommand &command, QString &problem);

// How much longer than the entry the encoder reads past its end, so that the entry's last
// picture is surely there; the converter ends the file on it.
constexpr double kEncoderOverrun = 0.5;

// The short MEncoder run before each entry; its output file is a throw-away one.
TToolCommand BuildPrepassCommand(const QString &encoderExe, int titleNumber, const QString &drive,
                                 const QString &outputFile);

// The device the pre-pass names: the mount point of the file system that holds the DVD.
QString PrepassDrive(const QString &dvdPath);
