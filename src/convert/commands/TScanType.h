#pragma once

#include <QString>

struct TPictureFlags;

// How a title's pictures were made, which decides the encoder pass's filters: interlaced
// video is deinterlaced before it is scaled, NTSC film is given back its 24 pictures a second.
enum class TScanType {
    Undecided, // the picture flags cannot tell: a look at the pictures themselves must
    Progressive,
    Interlaced,
    SoftFilm, // film stored with repeat-field flags (soft pulldown), maybe mixed with video
    HardFilm, // film whose pulldown is in the stored fields (hard telecine)
};

// What the title's profile row "Deinterlace" asks for.
enum class TDeinterlace { Auto, Yes, No };

// Reads the row's value: "auto" (or a profile without the row) Auto, "yadif" or "yes" Yes,
// anything else (an empty value, "no") No.
TDeinterlace DeinterlaceFromValue(const QString &value, bool rowPresent);

// The judgement from the MPEG-2 flags of samples over the title. Film only on NTSC.
TScanType ScanTypeFromFlags(const TPictureFlags &flags, bool ntsc);

// The judgement from FFmpeg's idet summary of samples over the title (its standard error);
// Undecided when the summary is not there.
TScanType ScanTypeFromIdet(const QString &idetOutput, bool ntsc);

// The encoder pass's picture treatment for a title of this kind and the profile's choice.
struct TPictureTreatment
{
    QString Filters; // MEncoder -vf filters before any scaling, "" for none
    bool FilmRate = false; // output at 24000/1001 pictures a second
};
TPictureTreatment PictureTreatment(TScanType scan, TDeinterlace choice);

// "progressive", "interlaced", "film (soft pulldown)", "film (hard pulldown)", "not known".
QString ScanTypeText(TScanType scan);
