#pragma once

#include "core/TTaskNodeData.h"

#include <QList>
#include <QString>
#include <QStringList>

// The sound tracks an entry keeps, as the Audio Track list chooses them.

// AudioIndex, then MoreAudioIndexes: the file's first track first.
QList<int> ChosenAudioTracks(const TTaskNodeData &entry);

// `chosen` after a click on `track`: checking adds it behind the others, unchecking takes it
// out, the next one becoming first; the only one left stays checked.
QList<int> ToggleAudioTrack(const QList<int> &chosen, int track);

// The chosen tracks' texts, in order, joined by " + ". Where the file keeps one sound track
// only the first shows, with how many are left out. Tracks `tracks` does not hold are skipped.
QString AudioChoiceText(const QStringList &tracks, const QList<int> &chosen, bool keepsSeveral);
