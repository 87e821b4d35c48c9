#include "convert/run/TConversionPreferences.h"

#include "profiles/TPreferences.h"

TConversionPreferences TConversionPreferences::FromStored(const TPreferences &stored)
{
    TConversionPreferences p;
    switch (stored.WhenExists()) {
    case TPreferences::Existing::Overwrite:
        p.Existing = WhenExists::Overwrite;
        break;
    case TPreferences::Existing::Ask:
        p.Existing = WhenExists::Ask;
        break;
    case TPreferences::Existing::Rename:
        p.Existing = WhenExists::Rename;
        break;
    }
    p.ExitWhenDone = stored.AutoExit;
    p.OpenFolderWhenDone = stored.AutoOpenDir;
    p.StallSeconds = stored.StallSeconds;
    p.HighQualityIntermediate = stored.HighQualityIntermediate;
    p.StreamedIntermediate = stored.StreamedIntermediate;
    p.ChapterMarks = stored.ChapterMarks;
    p.SubtitleTrack = stored.SubtitleTrack;
    return p;
}
