#pragma once

#include "convert/commands/EncoderCommand.h"
#include "convert/commands/TConversionEntry.h"
#include "convert/commands/TPictureCrop.h"
#include "convert/commands/TScanType.h"
#include "convert/commands/TranscoderCommand.h"
#include "convert/run/TConversionPreferences.h"

#include <QList>
#include <QString>

// Everything an entry's passes need, decided once: what the list and the profile say when the
// entry begins, and what the disc says once it has been read for it. Nothing is read or worked
// out again later in the entry.
//
// Its span comes in three clocks: the list's whole seconds (ListSeconds, what the figures count),
// the title table's seconds (Timeline.Start and End: NTSC tables count 30 frames a second) and
// real seconds (RealSeconds(), what a file of the span lasts).
struct TEntryPlan
{
    TConversionEntry Entry;
    QString TargetFile; // where it goes; a rename may move it
    QString ClaimName; // the name the claim starts from
    // How the target takes its name: the preference, or Overwrite where the user said yes.
    TConversionPreferences::WhenExists WhenTaken = TConversionPreferences::WhenExists::Ask;
    double ListSeconds = 0;
    TTranscoderOptions Converter; // the profile's, as the run took it at Start

    // From the disc.
    TEntryTimeline Timeline;
    QList<double> ProgramStarts; // of the title, table seconds
    TScanType Scan = TScanType::Progressive;
    TPictureCrop Crop; // the disc's own bars (streamed); not set: none
    TPictureTreatment Treatment; // the encoder's, through a file
    QString SubtitleIndex; // a VobSub index of the span (a track, or streamed to lay on the picture)
    bool SubtitleAsTrack = false;

    double RealSeconds() const { return (Timeline.End - Timeline.Start) * Timeline.ClockScale; }
};
