#pragma once

#include "TConversionEntry.h"
#include "dvd/TDVDInformation.h"

#include <QList>
#include <QString>

class TParameterGrids;

// The preferences in effect that a conversion reads (the Settings dialog's controls).
struct TConversionPreferences
{
    enum class WhenExists { Ask, Rename, Overwrite };
    WhenExists Existing = WhenExists::Ask;
    bool ExitWhenDone = false;
    bool OpenFolderWhenDone = false;
};

// What one press of Start converts, taken from the window when it is pressed.
struct TConversionRequest
{
    QList<TConversionEntry> Entries; // the checked ones, in list order
    QString OutputDirText;           // the output folder as typed
    QString ProfileFile;             // AppDir + "Profiles/" + name + ".apf"
    // The main window's grids; read at Start and again for every entry. Null reads as
    // grids without rows.
    const TParameterGrids *Grids = nullptr;
    TDVDInformation Dvd;             // the open DVD
    QString OutputExt;
    TConversionPreferences Preferences;
};
