#include "TProfileSnapshot.h"

#include "convert/commands/OptionBuilder.h"
#include "convert/run/TConversionRequest.h"
#include "profiles/TIniFile.h"
#include "profiles/TProfile.h"

#include <QFileInfo>

TProfileSnapshot TProfileSnapshot::Take(const TConversionRequest &request)
{
    TProfileSnapshot snapshot;
    if (!QFileInfo(request.ProfileFile).isFile())
        return snapshot;
    const TProfile profile = TProfile::Read(TIniFile(request.ProfileFile));
    const TParameterGrids &grids = GridsOf(request);
    snapshot.EncoderOptions =
        BuildEncoderOptions(profile, grids, snapshot.Settings, request.Preferences.HighQualityIntermediate,
                            request.Preferences.StreamedIntermediate);
    snapshot.Converter = TranscoderOptionPieces(profile, grids);
    return snapshot;
}
