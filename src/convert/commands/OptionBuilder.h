#pragma once

#include <QString>

class TProfile;
struct TMencOutputSettings;
struct TProfileParameter;
class TParameterGrids;

// The tools' option texts, built from a profile file and the main window's grids. Each
// text starts with a blank; pieces are separated by single blanks.

// The text that goes on a command line for one parameter: for a list parameter the option
// value of the grid's item (the grid's own text when it is not an item, such as a typed
// custom size), for a fixed parameter the file's "Value", for a free one the grid's text.
// Empty when CheckProfileValues would refuse the switch or the value, so that the builders
// leave the parameter out rather than let it add switches, sub-options or files.
QString ResolveParameterValue(const TProfileParameter &parameter, const TParameterGrids &grids);

// The rows the program reads itself ("Deinterlace", "Crop"): never on the converter's command
// line, whatever switch an earlier profile file gives them.
bool IsProgramRow(const TProfileParameter &parameter);

// Whether every parameter that goes on a command line gives exactly one switch and one
// argument (MEncoder: one sub-option), and only what a grid row is for: a switch and a value
// of the kinds ProfileSwitches allows (no filter, coder option or container outside its
// lists, no value that reads as a switch or a file path; "\" only for a switch that takes no
// value). False, with `The profile "name" has an unusable ... for "parameter": why` in
// `problem`, at the first one that does not. True when the file does not exist: there is
// nothing to refuse.
bool CheckProfileValues(const QString &profileFile, const TParameterGrids &grids, QString &problem);

// FFmpeg's options: " " + cmd + " " + value for every parameter, in profile order, that
// has a switch and a value; a value of a single "\" gives the switch alone. Empty when the
// file does not exist.
QString BuildTranscoderOptions(const QString &profileFile, const TParameterGrids &grids);
// The same from a profile read already.
QString BuildTranscoderOptions(const TProfile &profile, const TParameterGrids &grids);

// MEncoder's codec options, and `settings` filled from the parameters whose switches are
// "-s", "-aspect", "-b" (or "-b:v") and "-ar", and from the "Deinterlace" and "Crop" rows (cleared first, so nothing of an earlier
// profile stays). A value CheckProfileValues refuses counts as none: no size, the bitrate 800, the source's rate.
// highQualityIntermediate: a fixed high quality instead of the profile's bitrate; streamed:
// the pictures as they are (raw, settings.RawPicture), for a converter reading them at once.
// Empty, with `settings` untouched, when the file does not exist.
QString BuildEncoderOptions(const QString &profileFile, const TParameterGrids &grids, TMencOutputSettings &settings,
                            bool highQualityIntermediate = false, bool streamed = false);
// The same from a profile read already.
QString BuildEncoderOptions(const TProfile &profile, const TParameterGrids &grids, TMencOutputSettings &settings,
                            bool highQualityIntermediate = false, bool streamed = false);
