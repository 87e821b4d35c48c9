#pragma once

#include "convert/commands/TScanType.h"
#include "convert/commands/TToolCommand.h"
#include "dvd/TStreamStart.h"

#include <QString>
#include <QStringList>

struct TConversionEntry;
struct TMencOutputSettings;
class TParameterGrids;

// The pieces of a conversion's tool runs and file names, apart from the running, so each
// can be checked on its own.

// Seconds with exactly three decimals and a point: 95.000.
QString SecondsText(double seconds);

// The display aspect the picture is scaled to: the profile's "4:3" or "16:9", otherwise the
// DVD's own (16:9 when the title says so, else 4:3), as four-decimal ratios.
double ScaleAspectRatio(const QString &outputAspect, const QString &titleAspect);

// Whether an entry ends within the last second of its title, where MEncoder's -endpos
// would never let it end.
constexpr double kTitleEndSlack = 1.0;
bool RunsToTitleEnd(const TConversionEntry &entry);

// Where the picture goes in the profile's frame: scaled to the frame's width at its display
// aspect (height rounded half to even) and, when that is taller than the frame, to the
// frame's height instead, so it always fits; the rest of the frame is bars.
// A DVD or Video CD frame (MPEG-1 or MPEG-2 at one of their sizes) has no square pixels: it is
// shown at 4:3 or 16:9 (the profile's aspect, else the title's), and the picture fills it
// unless its own aspect differs, when it is letterboxed or pillarboxed, in even lines.
struct TPictureFit
{
    int Width = 0, Height = 0; // the scaled picture
    int FrameWidth = 0, FrameHeight = 0; // the profile's frame
    QString DisplayAspect; // an anamorphic frame's, "4:3" or "16:9"; empty: square pixels
};
// The display aspect of the encoder's picture, as "W/H": the scaled picture's own shape
// (square pixels), else the title's (an anamorphic frame, or the DVD's size).
QString PictureAspect(const TMencOutputSettings &settings, const QString &titleAspect);

// Whether the profile makes DVD or Video CD video at one of their frame sizes.
bool IsAnamorphicFrame(const QString &videoCodec, int width, int height);
// False when the settings name no frame size (the picture keeps the DVD's size).
bool FitPicture(const TMencOutputSettings &settings, const QString &titleAspect, TPictureFit &fit);

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

// FFmpeg's options of a profile, as the text the option builder writes and as arguments:
// one switch and one value per parameter (a value may hold blanks and stays one argument).
struct TTranscoderOptions
{
    QString Text;
    QStringList Arguments;
};
TTranscoderOptions TranscoderOptionPieces(const QString &profileFile, const TParameterGrids &grids);

// The converter puts the picture into the frame: bars of video black (the encoder's own
// would be below black) and square pixels, and a profile's display aspect becomes the
// frame's, so a letterboxed picture is not stretched again. An anamorphic frame keeps its
// display aspect instead.
void FitTranscoderToFrame(TTranscoderOptions &options, const TMencOutputSettings &settings, const QString &titleAspect);
// Its pieces: the bars and the pixel shape as a filter, and "-aspect" and "-s" set to the frame.
QString FramePadFilter(const TPictureFit &fit);
void FitFrameOptions(QStringList &args, const TPictureFit &fit);

// DVD sound is mixed quietly: the converter raises it by this much while it is in floating
// point, and a limiter that looks ahead (its delay given back) holds it under kSoundPeak, so that
// loud scenes are not clipped and quiet ones come out louder.
constexpr double kSoundGainDb = 10.0;
constexpr double kSoundPeak = 0.891; // -1 dBFS
QString SoundGainFilters();
// Adds them to the end of the converter's sound filters (none where it writes no sound).
void RaiseSound(TTranscoderOptions &options);

// The converter is told the display aspect of pictures that carry none (raw pictures).
void SetTranscoderInputAspect(TTranscoderOptions &options, const QString &aspect);

// The converter cuts what the encoder read before the entry: the broken first picture and the
// lead for the video, the lead and the sound's own lead for the sound (or, where the sound
// came late, it is delayed); the file then ends with the entry's last picture. frameRate:
// the intermediate's pictures a second; videoEnd: where its picture ends, seconds.
void CutTranscoderToEntry(TTranscoderOptions &options, const TEntryTimeline &timeline, double frameRate,
                          double videoEnd);

// chaptersFile: FFmpeg metadata whose chapters the file takes (ChapterMarksText);
// subtitleIndex: a VobSub index (TSubtitleTrack) whose subtitle becomes a track. Empty: none.
TToolCommand BuildTranscoderCommand(const QString &transcoderExe, const QString &intermediateFile,
                                    const TTranscoderOptions &options, const QString &targetFile,
                                    const QString &chaptersFile = QString(), const QString &subtitleIndex = QString());

// Whether files of the extension hold a DVD's bitmap subtitles as a track (MKV; MP4, which
// players built on FFmpeg show). Other files have the subtitle burnt in.
bool ContainerTakesSubtitleTrack(const QString &outputExt);

// Whether files of the extension hold chapter marks a player skips to (MKV, MP4, MOV).
bool ContainerTakesMarks(const QString &outputExt);
// The chapter marks of an entry, as FFmpeg metadata: one at each program start of the title
// inside the entry's span, at its time in the file (shifted by the span's start, exact to the
// disc's clock), named "Chapter NN" by the title's chapter number, each running to the next or
// to the file's end. Empty when no program starts inside the span.
QString ChapterMarksText(const QList<double> &programStarts, const TEntryTimeline &timeline);

// The volume name as the hint shows it: whole up to 18 characters, else 15 and "...".
QString HintVolumeText(const QString &volumeName);
// "Converting: " + that + "-" + name + extension.
QString ConvertingHint(const QString &volumeName, const QString &outputName, const QString &outputExt);

// The folder Start checks: the text before its last separator (the root keeps it); a text
// without a separator names no folder.
QString OutputFolderToCheck(const QString &outputDirText);

// The overwrite question for an existing target.
QString OverwriteQuestion(const QString &targetFile);
