#pragma once

#include "TIFO.h"

#include <QByteArray>
#include <QString>

// Reads a DVD title-set information file (VTS_nn_0.IFO) into a TIFO.
//
// Every failure throws EQuarnelError naming the file:
//   "Cannot read the file <name>: <reason>."
//   "The file <name> is too large to be a DVD title-set information file."
//   "The file <name> is not a DVD title-set information file."
//   "The file <name> is damaged: its structure points outside the file."
//   "The file <name> is damaged: it lists more than 8 audio streams."
//   "The file <name> is damaged: it lists more than 32 subpicture streams."
//   "The file <name> is damaged: two of its program chains overlap."
//   "The file <name> is damaged: it holds an invalid playback time."
class Parser
{
public:
    // Real title-set files are well under a megabyte; larger ones are refused unread.
    static constexpr qint64 MaxIfoSize = 16 * 1024 * 1024;

    static TIFO ParseIfo(const QString &fileName);
    // The same parse on bytes already in memory; fileName only names them in errors.
    static TIFO ParseIfo(const QByteArray &data, const QString &fileName);

    // Name of the first language-table row whose code equals code exactly, else "???".
    static QString LanguageName(const QString &code);
};
