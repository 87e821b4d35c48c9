#pragma once

#include <QString>

struct TMencOutputSettings;
struct TProfileParameter;
class TParameterGrids;

// The tools' option texts, built from a profile file and the main window's grids. Each
// text starts with a blank; pieces are separated by single blanks.

// The text that goes on a command line for one parameter: for a list parameter the option
// value of the grid's item (the grid's own text when it is not an item, such as a typed
// custom size), for a fixed parameter the file's "Value", for a free one the grid's text.
QString ResolveParameterValue(const TProfileParameter &parameter, const TParameterGrids &grids);

// FFmpeg's options: " " + cmd + " " + value for every parameter, in profile order, that
// has a switch and a value; a value of a single "\" gives the switch alone. Empty when the
// file does not exist.
QString BuildTranscoderOptions(const QString &profileFile, const TParameterGrids &grids);

// MEncoder's codec options, and `settings` filled from the parameters whose switches are
// "-s", "-aspect", "-b" (or "-b:v") and "-ar" (cleared first, so nothing of an earlier profile stays).
// Empty, with `settings` untouched, when the file does not exist.
QString BuildEncoderOptions(const QString &profileFile, const TParameterGrids &grids, TMencOutputSettings &settings);
