#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Paths given as bytes that are not UTF-8 (a folder named on an older system): Qt's strings
// cannot hold them, so such a path is reached through a link whose own name is plain, in a
// private folder removed when the program ends. Messages show the path as the user's
// terminal shows it (the bytes decoded, unreadable ones replaced).
namespace RawPathAlias {

// The program's arguments, each that is no UTF-8 but names something that exists replaced by
// a link to it.
QStringList ProgramArguments(int argc, char **argv);

// `text` with every link's path replaced by the path it stands for, as far as it can be shown.
QString Shown(const QString &text);

} // namespace RawPathAlias
