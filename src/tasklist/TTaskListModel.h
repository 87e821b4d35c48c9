#pragma once

#include "core/TTaskNodeData.h"

#include <QAbstractItemModel>
#include <QList>

#include <functional>

// The task list: one top-level entry per DVD title with its chapters as children. Rows
// carry their TTaskNodeData; the columns are "Title", "Start", "End", "Output File" and an
// empty one. The output names read DvdInfo.VolumeName and OutputExt when shown.
class TTaskListModel : public QAbstractItemModel
{
    Q_OBJECT
public:
    enum Column { TitleColumn, StartColumn, EndColumn, OutputColumn, SpareColumn, ColumnCount };
    static constexpr int ImageIndexRole = Qt::UserRole + 1;

    explicit TTaskListModel(QObject *parent = nullptr);

    void Clear();
    // A new top-level entry; returns its index.
    QModelIndex AddTitleNode(const TTaskNodeData &data);
    // A new chapter under a title; nothing when the parent is not a title.
    QModelIndex AddChapterNode(const QModelIndex &title, const TTaskNodeData &data);

    bool IsEmpty() const { return m_titles.isEmpty(); }
    TTaskNodeData *Entry(const QModelIndex &index);
    const TTaskNodeData *Entry(const QModelIndex &index) const;
    // The entry itself when it is a title, else its parent title.
    QModelIndex TitleOf(const QModelIndex &index) const;
    // Every entry in list order: a title, then its chapters, then the next title.
    QList<QModelIndex> AllEntries() const;

    // The text of a column as the list shows it.
    QString ColumnText(const QModelIndex &index, int column) const;

    // Check commands: all entries, all titles, all chapters; and Uncheck All.
    void CheckAll(bool titles, bool chapters);
    void UncheckAll();
    void SetChecked(const QModelIndex &index, bool checked);
    // Checks the longest entry (ties: the earliest; chapters have no length of their own).
    QModelIndex CheckLongestTitle(); // the entry checked; invalid when there is none

    // A choice made in a combo box; on a title it goes into every chapter too. An audio
    // track chosen this way is the only one kept.
    enum class Choice { Audio, Subtitle, Angle };
    void StoreChoice(const QModelIndex &index, Choice choice, int value);
    // The sound tracks kept, in order: the first is AudioIndex, the rest MoreAudioIndexes.
    // On a title they go into every chapter too; an empty list changes nothing.
    void StoreAudioTracks(const QModelIndex &index, const QList<int> &tracks);

    // The output names depend on the volume name and the profile's extension.
    void RefreshTexts();
    // Any change of an entry's record made from outside (the segment editor).
    void EntryChanged(const QModelIndex &index);

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    // The user clicked an entry's check box (its Checked is already inverted).
    void EntryCheckClicked(const QModelIndex &index);

private:
    struct Title
    {
        TTaskNodeData data;
        QList<TTaskNodeData> chapters;
    };
    static constexpr quintptr TitleId = 0; // internal id of title rows; chapters: title row + 1

    void AllChanged();
    // `store` on the entry, and on each of its chapters when it is a title.
    void ForEntryAndChapters(const QModelIndex &index, const std::function<void(TTaskNodeData &)> &store);

    QList<Title> m_titles;
};
