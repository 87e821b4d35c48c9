#pragma once

#include "TIFO.h"
#include "core/TTaskNodeData.h"

#include <QList>
#include <QModelIndex>
#include <QString>
#include <QStringList>

class TTaskListModel;

// What reading a DVD found, kept apart from the task list and DvdInfo so that the reading
// can run off the window's thread and be applied on it afterwards.
struct TDvdReading
{
    struct Title
    {
        TTaskNodeData Data;
        QList<TTaskNodeData> Chapters;
    };
    QString DvdPath; // the VIDEO_TS folder with a trailing separator, or the image
    QString Standard; // empty and 0 without titles
    double FrameRateFactor = 0.0;
    QList<TIFO> TitleSets; // position k stands for title set k + 1
    QList<Title> Titles;
    QStringList Notes; // what was left out or read from a backup, one sentence group each
    QString Error; // set when nothing can be listed: why
};

// Turns a DVD (a folder holding a VIDEO_TS structure, or an image) into task-list entries:
// reads the title table and every title set its titles use, and adds one title entry per
// title with one chapter entry per chapter. Fills DvdInfo (path, standard, frame rate).
class DvdTitleLoader
{
public:
    // The whole reading; touches nothing shared, so it may run on any thread. A title set
    // that cannot be read (neither its .IFO nor its .BUP) leaves its titles out with a note;
    // an unreadable title table, no DVD at all, or no title sets Error.
    static TDvdReading ReadDvd(const QString &path);
    // Puts a reading in place: DvdInfo's path, standard and frame rate, the parsed title
    // sets, and (unless it failed) the entries. On the list's thread.
    void ApplyDvd(const TDvdReading &reading, TTaskListModel &list);
    // Both in one; throws EQuarnelError with the reading's Error, the list then holding
    // nothing of this DVD. Notes() holds the reading's notes.
    void LoadDvdTitles(const QString &folder, TTaskListModel &list);
    const QStringList &Notes() const { return m_notes; }

    // The parsed title sets: position k stands for title set k + 1.
    const QList<TIFO> &TitleSets() const { return m_titleSets; }
    // Replaces them, for checking the entry arithmetic on title sets made by hand.
    void SetTitleSets(const QList<TIFO> &titleSets) { m_titleSets = titleSets; }

    QString VideoAttributeText(int titleSet) const;
    QStringList AudioTrackTexts(int titleSet, int chain) const;
    QStringList AudioLanguageCodes(int titleSet, int chain) const;
    QStringList SubtitleTexts(int titleSet, int chain) const;

    static TTaskNodeData TitleNode(int number, const QString &caption, const QString &name, const QString &startText,
                                   const QString &endText, const QString &outputName, const QString &frameSize,
                                   const QString &aspect, const QStringList &tracks, const QStringList &languages,
                                   const QStringList &subtitles, int angles);
    QList<TTaskNodeData> ChapterNodes(int titleSet, int chain, int titleNumber) const;
    static TTaskNodeData ChapterNode(int number, const QString &chapterName, const QString &startText,
                                     const QString &endText, const QString &outputName, int index);

    static QModelIndex AddTitleNode(TTaskListModel &list, int number, const QString &caption, const QString &name,
                                    const QString &startText, const QString &endText, const QString &outputName,
                                    const QString &frameSize, const QString &aspect, const QStringList &tracks,
                                    const QStringList &languages, const QStringList &subtitles, int angles);
    void AddChapterNodes(int titleSet, int chain, const QModelIndex &entry, int titleNumber,
                         TTaskListModel &list) const;
    static QModelIndex AddChapterNode(TTaskListModel &list, const QModelIndex &parent, int number,
                                      const QString &chapterName, const QString &startText, const QString &endText,
                                      const QString &outputName, int index);

    // "Title01" ... "Title99", "Title100": a number with at least two digits.
    static QString Numbered(const QString &prefix, int number);

private:
    // The chain, or nullptr when the indexes name no parsed record.
    const TProgramChain *Chain(int titleSet, int chain) const;

    QList<TIFO> m_titleSets;
    QStringList m_notes;
};
