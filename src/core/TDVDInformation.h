#pragma once

#include <QString>

// The program's facts about the open DVD.
struct TDVDInformation
{
    QString Standard; // "PAL" or "NTSC"; the last title decides
    double FrameRateFactor = 0.0; // frames per 1000 seconds: 25000.0 PAL, 29970.0 NTSC
    QString VolumeName; // prefix of output file names: the disc's label when opened from a drive
    QString DvdPath; // the opened VIDEO_TS folder, with a trailing separator

    bool IsNtsc() const { return Standard == u"NTSC"; }
    // The disc's pictures a second; PAL's while none is known.
    double PicturesPerSecond() const { return FrameRateFactor > 0 ? FrameRateFactor / 1000.0 : 25.0; }
};

// The one program-wide instance.
extern TDVDInformation DvdInfo;
