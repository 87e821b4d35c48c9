#include "TTaskListModel.h"

#include "TargetNames.h"
#include "core/OutputExt.h"
#include "core/TDVDInformation.h"

TTaskListModel::TTaskListModel(QObject *parent) : QAbstractItemModel(parent)
{ }

void TTaskListModel::Clear()
{
    beginResetModel();
    m_titles.clear();
    endResetModel();
}

QModelIndex TTaskListModel::AddTitleNode(const TTaskNodeData &data)
{
    const int row = m_titles.size();
    beginInsertRows({}, row, row);
    m_titles.append(Title{data, {}});
    endInsertRows();
    return index(row, 0);
}

QModelIndex TTaskListModel::AddChapterNode(const QModelIndex &title, const TTaskNodeData &data)
{
    if (!title.isValid() || title.internalId() != TitleId)
        return {};
    QList<TTaskNodeData> &chapters = m_titles[title.row()].chapters;
    const int row = chapters.size();
    beginInsertRows(title.siblingAtColumn(0), row, row);
    chapters.append(data);
    endInsertRows();
    return index(row, 0, title.siblingAtColumn(0));
}

TTaskNodeData *TTaskListModel::Entry(const QModelIndex &index)
{
    return const_cast<TTaskNodeData *>(std::as_const(*this).Entry(index));
}

const TTaskNodeData *TTaskListModel::Entry(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != this)
        return nullptr;
    if (index.internalId() == TitleId)
        return index.row() < m_titles.size() ? &m_titles[index.row()].data : nullptr;
    const int titleRow = int(index.internalId() - 1);
    if (titleRow >= m_titles.size() || index.row() >= m_titles[titleRow].chapters.size())
        return nullptr;
    return &m_titles[titleRow].chapters[index.row()];
}

QModelIndex TTaskListModel::TitleOf(const QModelIndex &index) const
{
    if (!index.isValid())
        return {};
    return index.internalId() == TitleId ? index.siblingAtColumn(0) : parent(index);
}

QList<QModelIndex> TTaskListModel::AllEntries() const
{
    QList<QModelIndex> entries;
    for (int t = 0; t < m_titles.size(); ++t) {
        const QModelIndex title = index(t, 0);
        entries << title;
        for (int c = 0; c < m_titles[t].chapters.size(); ++c)
            entries << index(c, 0, title);
    }
    return entries;
}

QString TTaskListModel::ColumnText(const QModelIndex &index, int column) const
{
    const TTaskNodeData *e = Entry(index);
    if (!e)
        return {};
    switch (column) {
    case TitleColumn:
        return e->Caption;
    case StartColumn:
        return e->Start != e->OrigStart ? QStringLiteral("[ ") + e->StartText : e->StartText;
    case EndColumn:
        return e->End != e->OrigEnd ? e->EndText + QStringLiteral(" ]") : e->EndText;
    case OutputColumn:
        // Exactly the name the conversion writes, characters a file name cannot hold replaced.
        return TargetFileName(QString(), DvdInfo.VolumeName, e->OutputName, OutputExt());
    default:
        return {};
    }
}

void TTaskListModel::CheckAll(bool titles, bool chapters)
{
    for (Title &t : m_titles) {
        if (titles)
            t.data.Checked = true;
        if (chapters) {
            for (TTaskNodeData &c : t.chapters)
                c.Checked = true;
        }
    }
    AllChanged();
}

void TTaskListModel::UncheckAll()
{
    for (Title &t : m_titles) {
        t.data.Checked = false;
        for (TTaskNodeData &c : t.chapters)
            c.Checked = false;
    }
    AllChanged();
}

void TTaskListModel::SetChecked(const QModelIndex &index, bool checked)
{
    if (TTaskNodeData *e = Entry(index)) {
        e->Checked = checked;
        EntryChanged(index);
    }
}

QModelIndex TTaskListModel::CheckLongestTitle()
{
    const QList<QModelIndex> entries = AllEntries();
    if (entries.isEmpty())
        return {};
    QModelIndex candidate = entries.first();
    for (const QModelIndex &i : entries) {
        if (Entry(i)->Duration > Entry(candidate)->Duration)
            candidate = i;
    }
    SetChecked(candidate, true);
    return candidate;
}

void TTaskListModel::StoreChoice(const QModelIndex &index, Choice choice, int value)
{
    if (choice == Choice::Audio) {
        StoreAudioTracks(index, {value});
        return;
    }
    ForEntryAndChapters(index, [choice, value](TTaskNodeData &e) {
        if (choice == Choice::Subtitle)
            e.SubtitleIndex = value;
        else
            e.AngleIndex = value;
    });
}

void TTaskListModel::StoreAudioTracks(const QModelIndex &index, const QList<int> &tracks)
{
    if (tracks.isEmpty())
        return;
    ForEntryAndChapters(index, [&tracks](TTaskNodeData &e) {
        e.AudioIndex = tracks.first();
        e.AudioLanguageIndex = tracks.first();
        e.MoreAudioIndexes = tracks.mid(1);
    });
}

void TTaskListModel::ForEntryAndChapters(const QModelIndex &index, const std::function<void(TTaskNodeData &)> &store)
{
    TTaskNodeData *e = Entry(index);
    if (!e)
        return;
    store(*e);
    if (e->IsTitle && index.internalId() == TitleId) {
        for (TTaskNodeData &c : m_titles[index.row()].chapters)
            store(c);
    }
}

void TTaskListModel::RefreshTexts()
{
    AllChanged();
}

void TTaskListModel::EntryChanged(const QModelIndex &index)
{
    emit dataChanged(index.siblingAtColumn(0), index.siblingAtColumn(ColumnCount - 1));
}

void TTaskListModel::AllChanged()
{
    for (int t = 0; t < m_titles.size(); ++t) {
        const QModelIndex title = index(t, 0);
        emit dataChanged(title, title.siblingAtColumn(ColumnCount - 1));
        if (!m_titles[t].chapters.isEmpty())
            emit dataChanged(index(0, 0, title), index(m_titles[t].chapters.size() - 1, ColumnCount - 1, title));
    }
}

QModelIndex TTaskListModel::index(int row, int column, const QModelIndex &parent) const
{
    if (row < 0 || column < 0 || column >= ColumnCount)
        return {};
    if (!parent.isValid())
        return row < m_titles.size() ? createIndex(row, column, TitleId) : QModelIndex();
    if (parent.internalId() != TitleId || parent.row() >= m_titles.size())
        return {};
    if (row >= m_titles[parent.row()].chapters.size())
        return {};
    return createIndex(row, column, quintptr(parent.row()) + 1);
}

QModelIndex TTaskListModel::parent(const QModelIndex &child) const
{
    if (!child.isValid() || child.internalId() == TitleId)
        return {};
    return createIndex(int(child.internalId() - 1), 0, TitleId);
}

int TTaskListModel::rowCount(const QModelIndex &parent) const
{
    if (!parent.isValid())
        return m_titles.size();
    if (parent.column() != 0 || parent.internalId() != TitleId || parent.row() >= m_titles.size())
        return 0;
    return m_titles[parent.row()].chapters.size();
}

int TTaskListModel::columnCount(const QModelIndex &) const
{
    return ColumnCount;
}

QVariant TTaskListModel::data(const QModelIndex &index, int role) const
{
    const TTaskNodeData *e = Entry(index);
    if (!e)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return ColumnText(index, index.column());
    case Qt::CheckStateRole:
        if (index.column() == TitleColumn)
            return e->Checked ? Qt::Checked : Qt::Unchecked;
        return {};
    case ImageIndexRole:
        if (index.column() == TitleColumn)
            return e->ImageIndex;
        return {};
    default:
        return {};
    }
}

bool TTaskListModel::setData(const QModelIndex &index, const QVariant &, int role)
{
    // A click on a check box inverts the entry's mark, whatever state the view proposes.
    TTaskNodeData *e = Entry(index);
    if (role != Qt::CheckStateRole || !e || index.column() != TitleColumn)
        return false;
    e->Checked = !e->Checked;
    EntryChanged(index);
    emit EntryCheckClicked(index.siblingAtColumn(0));
    return true;
}

Qt::ItemFlags TTaskListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == TitleColumn)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

QVariant TTaskListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case TitleColumn:
        return QStringLiteral("Title");
    case StartColumn:
        return QStringLiteral("Start");
    case EndColumn:
        return QStringLiteral("End");
    case OutputColumn:
        return QStringLiteral("Output File");
    default:
        return QString();
    }
}
