#pragma once

#include <QString>
#include <QStringList>

// The record behind every task-list entry: a DVD title or one of its chapters.
// Each seconds field is written together with its text, the seconds being
// TimeTextToSeconds of the text. A chapter uses its title's lists, Aspect and AngleCount.
struct TTaskNodeData
{
    bool IsTitle = false;
    int Number = 0; // title number 1..n, or chapter number within its title
    int ChapterIndex = 0; // 0 for a title, chapter number - 1 for a chapter
    QString Caption; // column "Title"
    QString ShortName; // TitleNN / ChapterNN
    QString FrameSize; // "720:576"; titles only
    QString Aspect; // "4:3", "16:9" or "???"; titles only
    double OrigStart = 0;
    double OrigEnd = 0;
    double Duration = 0; // OrigEnd - OrigStart for a title, 0 for a chapter
    QString OrigStartText;
    QString OrigEndText;
    double Start = 0; // the span to convert, changed only by the segment editor
    double End = 0;
    QString StartText;
    QString EndText;
    QString OutputName; // TitleNN or TitleNN-ChapterMM
    int ImageIndex = 0; // 0 title icon, 1 chapter icon
    QStringList AudioTracks;
    QStringList AudioLanguages; // parallel to AudioTracks
    QStringList Subtitles; // "None", then the subtitle languages
    int AudioIndex = 0;
    int AudioLanguageIndex = 0; // always equal to AudioIndex
    // Sound tracks kept besides the first (AudioIndex), in the order chosen, where the file
    // holds several.
    QList<int> MoreAudioIndexes;
    int SubtitleIndex = 0;
    int AngleCount = 0;
    int AngleIndex = 0;
    bool Checked = false;
};
