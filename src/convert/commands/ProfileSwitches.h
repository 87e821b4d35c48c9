#pragma once

#include <QString>

// What a profile row may put on the converter's command line. A list of what is allowed, not
// of what is refused: FFmpeg has hundreds of switches and filters, and some of them read or
// write files, run scripts or open sockets. A row may set what grid rows are for (codecs,
// bit rates, qualities, sizes, rates, sound, ordinary picture and sound filters, the
// container's flags and titles) and nothing else.

// Why `cmd` is no switch a profile may use; empty when it is.
QString SwitchProblem(const QString &cmd);

// Why `value` is no single argument `cmd` may take ("\" for a switch that takes none);
// empty when it is. `cmd` is one SwitchProblem allows.
QString ValueProblem(const QString &cmd, const QString &value);

// Digits only, above zero.
bool IsWholeNumber(const QString &value);
