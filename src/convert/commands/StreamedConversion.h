#pragma once

#include "convert/commands/TPictureCrop.h"
#include "convert/commands/TScanType.h"
#include "convert/commands/TToolCommand.h"
#include "convert/commands/TranscoderCommand.h"

#include <QString>
#include <QStringList>

struct TMencOutputSettings;

// The converter's run when it reads the disc itself, as the span reader writes it into a pipe
// (TTitleSpanReader): the title's own MPEG-2 pictures and sound, on the title's clock, with a
// margin before and after the span. Everything a viewer sees and hears is decided here, in one
// filter graph: the span cut by time from the stream's clock (every picture of it, once, and
// the sound exactly as long), the pictures made whole (interlaced frames deinterlaced where
// they are flagged so, film with hard pulldown matched back), a burnt-in subtitle laid on the
// disc's own frame, its own bars cropped, then scaled into the profile's frame; the sound raised and kept from
// clipping while it is still in floating point.
struct TStreamedConversion
{
    QString Pipe; // where the span reader writes
    bool Ntsc = false;
    // The span on the stream's clock (TTitleSpanReader::StreamSeconds), seconds.
    double Start = 0;
    double End = 0;
    TScanType Scan = TScanType::Progressive;
    TDeinterlace Deinterlace = TDeinterlace::Auto;
    int AudioId = -1; // the VOB's id of the sound stream; -1: none
    // The tracks kept besides it, in order, where the file holds several (HoldsSeveralSoundTracks).
    QList<int> MoreAudioIds;
    // ISO 639-2 of AudioId's track, then of MoreAudioIds'; named in files that hold several.
    QStringList AudioLanguages;
    QString TitleAspect; // "4:3" or "16:9"
    TPictureCrop Crop; // the disc's own bars, cropped before scaling; not set: none
    QString SubtitleIndex; // a VobSub index (TSubtitleTrack) of the span; empty: none
    bool BurnSubtitle = false; // the subtitle in the picture, not as a track
    QString ChaptersFile; // FFmpeg metadata with the chapter marks; empty: none
};

// The pictures' treatment in the converter, before scaling: empty for none.
QString ConverterPictureFilters(TScanType scan, TDeinterlace choice);

// Whether the file keeps each picture at its own time (variable rate): containers that take it
// with a video coder whose clock can be fine enough; otherwise a constant rate.
bool KeepsVariableRate(const QString &outputExt, const QString &videoCodec);
// Whether the file keeps several sound tracks, each with its language (MKV, MP4, MOV): other
// files keep the first chosen.
bool HoldsSeveralSoundTracks(const QString &outputExt);
// Whether a run keeps the tracks chosen besides the first: only a streamed run reads them, and
// only into such a file.
bool KeepsSeveralSoundTracks(const QString &outputExt, bool streamed);
// The rate a file names (and a file without a variable rate keeps): film's for titles of film,
// else the disc's.
QString NominalRate(TScanType scan, bool ntsc);

// Seconds of silence a sound coder writes before the sound, where a file keeps no time for it.
double SoundCoderLead(const QString &coder, int sampleRate);

// The sound's chain: the profile's own filters, raised and limited (SoundGainFilters) where
// `raise`, cut to [start, end) of the stream's clock and padded to `length` seconds.
QString SoundFilters(const QString &profileFilters, double start, double end, double length, bool raise = true);

// The converter's command: reads the pipe, writes `targetFile` with the profile's options.
TToolCommand BuildStreamedConverterCommand(const QString &transcoderExe, const TStreamedConversion &conversion,
                                           const TTranscoderOptions &options, const TMencOutputSettings &settings,
                                           const QString &outputExt, const QString &targetFile);
