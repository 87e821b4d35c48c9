#pragma once

#include "core/TTaskNodeData.h"

#include <QList>
#include <QString>
#include <QStringList>

class TTaskListModel;

// One checked task-list entry as the conversion needs it: the entry's own record and what
// a chapter takes from its title.
struct TConversionEntry
{
    TTaskNodeData Data; // the entry itself (times, names, choices)
    int TitleNumber = 0; // the DVD title, the title's own for a chapter
    QStringList AudioLanguages; // the title's codes, indexed by Data.AudioLanguageIndex
    QString Aspect; // the title's DVD aspect
    double TitleEnd = 0; // the title's own end, seconds; 0 when not known
    // The title set's subpicture stream of the chosen subtitle (what MEncoder's -sid takes);
    // -1 for none. The list position differs when a title leaves out a stream.
    int SubtitleStream = -1;
    // The VOB's id of the chosen sound stream (what MEncoder's -aid takes), -1 when not known;
    // two tracks of one language are told apart only by it.
    int AudioId = -1;
    // The VOB's ids of the tracks kept besides it (Data.MoreAudioIndexes), in order.
    QList<int> MoreAudioIds;
    // The chosen tracks' languages as files name them (ISO 639-2, "und" when unknown): the
    // first track's, then the others'.
    QStringList AudioTrackLanguages;
};

// The checked entries in list order (a title, its chapters, the next title). dvdPath is
// the open VIDEO_TS folder, read for the subtitle stream numbers.
QList<TConversionEntry> CollectCheckedEntries(const TTaskListModel &list, const QString &dvdPath);
