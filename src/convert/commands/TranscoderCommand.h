#pragma once

#include "convert/commands/EncoderCommand.h"
#include "convert/commands/TToolCommand.h"

#include <QList>
#include <QString>
#include <QStringList>

struct TMencOutputSettings;
class TParameterGrids;
class TProfile;

// The converter's run (FFmpeg) from an intermediate file, and what every converter run shares:
// the profile's options, the frame, the sound's gain, chapter marks and subtitle tracks.

// FFmpeg's options of a profile as arguments: one switch and one value per parameter, as the
// option builder's text has them (a value may hold blanks and stays one argument).
struct TTranscoderOptions
{
    QStringList Arguments;
};
TTranscoderOptions TranscoderOptionPieces(const QString &profileFile, const TParameterGrids &grids);
TTranscoderOptions TranscoderOptionPieces(const TProfile &profile, const TParameterGrids &grids);

// The converter puts the picture into the frame: bars of video black (the encoder's own
// would be below black) and square pixels, and a profile's display aspect becomes the
// frame's, so a letterboxed picture is not stretched again. An anamorphic frame keeps its
// display aspect instead.
void FitTranscoderToFrame(TTranscoderOptions &options, const TMencOutputSettings &settings, const QString &titleAspect);

// DVD sound is mixed quietly: the converter raises it by this much while it is in floating
// point, and a limiter that looks ahead (its delay given back) holds it under kSoundPeak, so that
// loud scenes are not clipped and quiet ones come out louder.
constexpr double kSoundGainDb = 10.0;
constexpr double kSoundPeak = 0.891; // -1 dBFS
QString SoundGainFilters();
// Adds them to the end of the converter's sound filters (none where it writes no sound).
// (The original sound asked for, "-c:a copy": kept lossless by FLAC instead, not raised.)
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
