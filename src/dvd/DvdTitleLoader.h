#pragma once

#include "TIFO.h"

#include <QList>
#include <QModelIndex>
#include <QString>
#include <QStringList>

class TTaskListModel;

// Turns a DVD folder into task-list entries: parses every title-set file, asks the DVD
// library for the titles in the DVD's numbering, and adds one title entry per title with
// one chapter entry per chapter. Fills DvdInfo (path, standard, frame rate).
class DvdTitleLoader
{
public:
    // Sets DvdPath and, from the titles, Standard and FrameRateFactor (empty and 0 without
    // titles). Throws EQuarnelError naming the file when a title-set file cannot be parsed;
    // the list then holds nothing of this DVD.
    void LoadDvdTitles(const QString &folder, TTaskListModel &list);

    // The parsed title sets: position k stands for title set k + 1.
    const QList<TIFO> &TitleSets() const { return m_titleSets; }
    // Replaces them, for checking the entry arithmetic on title sets made by hand.
    void SetTitleSets(const QList<TIFO> &titleSets) { m_titleSets = titleSets; }

    QString VideoAttributeText(int titleSet) const;
    QStringList AudioTrackTexts(int titleSet, int chain) const;
    QStringList AudioLanguageCodes(int titleSet, int chain) const;
    QStringList SubtitleTexts(int titleSet, int chain) const;

    static QModelIndex AddTitleNode(TTaskListModel &list, int number, const QString &caption, const QString &name,
                                    const QString &startText, const QString &endText, const QString &outputName,
                                    const QString &frameSize, const QString &aspect, const QStringList &tracks,
                                    const QStringList &languages, const QStringList &subtitles, int angles);
    void AddChapterNodes(int titleSet, int chain, const QModelIndex &entry, int titleNumber, TTaskListModel &list) const;
    static QModelIndex AddChapterNode(TTaskListModel &list, const QModelIndex &parent, int number,
                                      const QString &chapterName, const QString &startText, const QString &endText,
                                      const QString &outputName, int index);

    // "Title01" ... "Title99", "Title100": a number with at least two digits.
    static QString Numbered(const QString &prefix, int number);

private:
    // The chain, or nullptr when the indexes name no parsed record.
    const TProgramChain *Chain(int titleSet, int chain) const;

    QList<TIFO> m_titleSets;
};
