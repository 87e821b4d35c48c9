#pragma once

#include "convert/commands/TConversionEntry.h"
#include "convert/run/TConversionPreferences.h"
#include "core/TDVDInformation.h"

#include <QList>
#include <QString>

class TParameterGrids;

// What one press of Start converts, taken from the window when it is pressed.
struct TConversionRequest
{
    QList<TConversionEntry> Entries; // the checked ones, in list order
    QString OutputDirText; // the output folder as typed
    QString ProfileFile; // AppDir + "Profiles/" + name + ".apf"
    // The main window's grids, read once at Start (TProfileSnapshot). Null reads as grids
    // without rows.
    const TParameterGrids *Grids = nullptr;
    TDVDInformation Dvd; // the open DVD
    QString OutputExt;
    TConversionPreferences Preferences;
};

// The request's grids, or grids without rows where it names none.
const TParameterGrids &GridsOf(const TConversionRequest &request);
