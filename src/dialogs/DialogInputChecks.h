#pragma once

#include <QString>

// The checks of the volume-name and output-size dialogs, free of the windows.
namespace DialogInputChecks {

// A frame side as typed: a whole 32-bit number above zero (blanks around it and a "+" are
// allowed, as the number readers allow them). Zero or less cannot be encoded.
bool ReadFrameSide(const QString &text, int &value);

// The "Video Size" cell text for a width and height: "640x480".
QString FrameSizeText(int width, int height);

// The volume name is the start of every output file name, so it must not hold a path
// separator (it would put the files in another folder) or a NUL character.
bool IsUsableVolumeName(const QString &name);

} // namespace DialogInputChecks
