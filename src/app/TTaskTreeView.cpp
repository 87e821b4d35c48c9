#include "TTaskTreeView.h"

#include "Artwork.h"
#include "TTaskListModel.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

namespace {

constexpr int kRowHeight = 20;

class TaskDelegate : public QStyledItemDelegate
{
public:
    explicit TaskDelegate(QObject *parent)
        : QStyledItemDelegate(parent), m_icons{Artwork::TitleIcon(), Artwork::ChapterIcon()}
    {
    }

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

TTaskTreeView::TTaskTreeView(QWidget *parent)
    : QTreeView(parent)
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

void TTaskTreeView::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTreeView::mouseDoubleClickEvent(event);
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid())
        emit EntryDoubleClicked(index);
}
