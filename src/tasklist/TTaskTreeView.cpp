#include "TTaskTreeView.h"

#include "TTaskListModel.h"
#include "core/Artwork.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <utility>

namespace {

constexpr int kRowHeight = 20;

class TaskDelegate : public QStyledItemDelegate
{
public:
    explicit TaskDelegate(QObject *parent)
        : QStyledItemDelegate(parent)
        , m_icons{Artwork::TitleIcon(), Artwork::ChapterIcon()}
    { }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return QSize(QStyledItemDelegate::sizeHint(option, index).width(), kRowHeight);
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        painter->save();
        painter->setPen(QColor(0xdc, 0xe2, 0xea));
        painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
        painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
        painter->restore();
    }

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const QVariant image = index.data(TTaskListModel::ImageIndexRole);
        if (image.isValid() && image.toInt() >= 0 && image.toInt() < m_icons.size()) {
            option->icon = QIcon(m_icons[image.toInt()]);
            option->features |= QStyleOptionViewItem::HasDecoration;
            option->decorationSize = QSize(16, 16);
        }
    }

private:
    QList<QPixmap> m_icons;
};

// Each cell's background, and the empty area right of the last column, is the tile
// repeated row by row from x = 1; the captions are drawn over it.
class TileHeader : public QHeaderView
{
public:
    explicit TileHeader(QWidget *parent) : QHeaderView(Qt::Horizontal, parent), m_tile(Artwork::HeaderTile())
    {
        QFont font(QStringLiteral("Arial"));
        font.setPixelSize(12);
        setFont(font);
        setSectionsMovable(true);
        setSectionsClickable(false);
        setHighlightSections(false);
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        {
            QPainter p(viewport());
            PaintTiles(p, viewport()->rect());
        }
        QHeaderView::paintEvent(event);
    }

    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override
    {
        PaintTiles(*painter, rect);
        painter->save();
        painter->setPen(QColor(0xa8, 0xb4, 0xc4));
        painter->drawLine(rect.topRight(), rect.bottomRight());
        painter->setPen(QColor(0x24, 0x30, 0x44));
        painter->setFont(font());
        const QString text = model() ? model()->headerData(logicalIndex, orientation()).toString() : QString();
        painter->drawText(rect.adjusted(4, 0, -4, 0), Qt::AlignVCenter | Qt::AlignLeft, text);
        painter->restore();
    }

private:
    void PaintTiles(QPainter &p, const QRect &rect) const
    {
        p.save();
        p.setClipRect(rect);
        for (int y = rect.top(); y < rect.bottom() + 1; y += m_tile.height())
            for (int x = rect.left() + 1; x < rect.right() + 1; x += m_tile.width())
                p.drawPixmap(x, y, m_tile);
        p.restore();
    }

    QPixmap m_tile;
};

} // namespace

TTaskTreeView::TTaskTreeView(QWidget *parent) : QTreeView(parent)
{
    setHeader(new TileHeader(this));
    setItemDelegate(new TaskDelegate(this));
    setUniformRowHeights(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setAllColumnsShowFocus(true);
    setRootIsDecorated(true);
    setExpandsOnDoubleClick(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setContextMenuPolicy(Qt::CustomContextMenu);
    viewport()->setCursor(Qt::PointingHandCursor);
    header()->setMinimumSectionSize(10);
    header()->setStretchLastSection(false);
}

void TTaskTreeView::FitToTexts(int column, int squeezable)
{
    m_fitColumns[0] = column;
    m_fitColumns[1] = squeezable;
    m_fitMinimum[0] = columnWidth(column);
    m_fitMinimum[1] = columnWidth(squeezable);
    // A new list may also narrow the columns again; a changed text only widens them, so a
    // width the user dragged stays unless the text no longer fits.
    connect(model(), &QAbstractItemModel::modelReset, this, [this] { ScheduleFit(true); });
    connect(model(), &QAbstractItemModel::rowsInserted, this, [this] { ScheduleFit(true); });
    connect(model(), &QAbstractItemModel::dataChanged, this, [this] { ScheduleFit(false); });
}

void TTaskTreeView::ScheduleFit(bool mayShrink)
{
    m_fitMayShrink = m_fitMayShrink || mayShrink;
    if (m_fitColumns[0] < 0 || std::exchange(m_fitPending, true))
        return;
    QTimer::singleShot(0, this, [this] {
        m_fitPending = false;
        Fit(std::exchange(m_fitMayShrink, false));
    });
}

bool TTaskTreeView::viewportEvent(QEvent *event)
{
    // A vertical scroll bar coming or going changes the room the columns share.
    if (event->type() == QEvent::Resize)
        ScheduleFit(false);
    return QTreeView::viewportEvent(event);
}

int TTaskTreeView::TextWidth(int column) const
{
    QAbstractItemModel *m = model();
    if (!m)
        return 0;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    int widest = 0;
    // Titles and their chapters, collapsed or not: a chapter's name must fit once shown.
    std::function<void(const QModelIndex &, int)> walk = [&](const QModelIndex &parent, int depth) {
        for (int row = 0; row < m->rowCount(parent); ++row) {
            const QModelIndex index = m->index(row, column, parent);
            int width = itemDelegateForIndex(index)->sizeHint(option, index).width();
            if (column == treePosition() || (treePosition() < 0 && column == 0))
                width += indentation() * (depth + (rootIsDecorated() ? 1 : 0));
            widest = qMax(widest, width);
            walk(m->index(row, 0, parent), depth + 1);
        }
    };
    walk(QModelIndex(), 0);
    return widest;
}

void TTaskTreeView::Fit(bool mayShrink)
{
    if (m_fitColumns[0] < 0)
        return;
    int widths[2], needs[2];
    for (int i = 0; i < 2; ++i) {
        needs[i] = TextWidth(m_fitColumns[i]);
        const int floor = mayShrink ? m_fitMinimum[i] : columnWidth(m_fitColumns[i]);
        widths[i] = qMax(floor, needs[i]);
    }
    QList<int> others;
    int room = viewport()->width() - widths[0] - widths[1];
    for (int c = 0; c < header()->count(); ++c) {
        if (c != m_fitColumns[0] && c != m_fitColumns[1] && !isColumnHidden(c)) {
            others << c;
            room -= columnWidth(c);
        }
    }
    if (room < 0) {
        const int give = qMin(widths[1] - needs[1], -room);
        widths[1] -= give;
        room += give;
    }
    // Still short: the other columns give back what their texts and captions do not need.
    for (int c : std::as_const(others)) {
        if (room >= 0)
            break;
        const int need = std::max({TextWidth(c), header()->sectionSizeHint(c), header()->minimumSectionSize()});
        const int give = qBound(0, columnWidth(c) - need, -room);
        setColumnWidth(c, columnWidth(c) - give);
        room += give;
    }
    for (int i = 0; i < 2; ++i)
        setColumnWidth(m_fitColumns[i], widths[i]);
}

void TTaskTreeView::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTreeView::mouseDoubleClickEvent(event);
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid())
        emit EntryDoubleClicked(index);
}
