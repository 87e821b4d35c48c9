#pragma once

#include <QList>
#include <QString>

// The title set's subpicture stream numbers of a title's subtitles, in the order the task
// list offers them (its k-th subtitle, after "None", is item k - 1). Read from the title's
// program chain, which marks the streams it carries; empty when the DVD cannot be read.
QList<int> TitleSubtitleStreams(const QString &dvdPath, int titleNumber);

// The VOB's stream ids of a title's audio tracks, in the order the task list offers them:
// AC3 0x80 + n, DTS 0x88 + n, LPCM 0xa0 + n, MPEG audio n, for the title set's stream n
// (what the encoder's -aid takes). Empty when the DVD cannot be read.
QList<int> TitleAudioIds(const QString &dvdPath, int titleNumber);

// The stream for a subtitle choice (0 = none gives -1). Falls back to the list position
// when the title's chain cannot be read, which is right whenever no stream is left out.
int SubtitleStreamFor(const QList<int> &streams, int subtitleIndex);
