#include "TConversionPreferences.h"

#include "profiles/TPreferences.h"

TConversionPreferences TConversionPreferences::FromStored(const TPreferences &stored)
{
    TConversionPreferences p;
    if (stored.Overwrite)
        p.Existing = WhenExists::Overwrite;
    else if (stored.Ask)
        p.Existing = WhenExists::Ask;
    else
        p.Existing = WhenExists::Rename;
    p.ExitWhenDone = stored.AutoExit;
    p.OpenFolderWhenDone = stored.AutoOpenDir;
    p.StallSeconds = stored.StallSeconds;
    p.HighQualityIntermediate = stored.HighQualityIntermediate;
    return p;
}
