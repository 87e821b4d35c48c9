#pragma once

#include <QList>
#include <QString>

// How the preview turns the subtitle list of an entry ("None", then the subtitles the
// title's chain lists) into the DVD's subpicture stream numbers. Item k >= 1 is the k-th
// stream that the chain marks available, counted over the title set's streams in order
// (the same walk that builds the list), so a title that skips a stream still shows the
// stream named in its list. Item 0 means no subtitles.
class PreviewSubtitles
{
public:
    // The title set's stream numbers of a title's listed subtitles, in list order; empty
    // when the title or its chain cannot be read. dvdFolder: the VIDEO_TS folder.
    static QList<int> ListedStreams(const QString &dvdFolder, int titleNumber);

    // The stream of list item `item` of ListedStreams, or -1 for "None" and for items
    // beyond the list.
    static int StreamOfItem(const QList<int> &listed, int item);
};
