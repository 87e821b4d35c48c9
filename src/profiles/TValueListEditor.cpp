#include "TValueListEditor.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QStyledItemDelegate>

const QColor TValueListEditor::Silver = QColor(192, 192, 192);
const QColor TValueListEditor::FocusedKey = QColor(49, 106, 197);

namespace {

constexpr int ReadOnlyRole = Qt::UserRole;
constexpr int PickListRole = Qt::UserRole + 1;
constexpr int BorderGrip = 3; // pixels either side of the column border that start a drag

// Paints every cell by the grid's colour rule and gives the value column its editors:
// a drop-down list for pick-list rows, a line edit for plain rows that are not read-only.
class TValueListDelegate : public QStyledItemDelegate
{
public:
    explicit TValueListDelegate(TValueListEditor *grid) : QStyledItemDelegate(grid), m_grid(grid) { }

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const TValueListEditor::CellColors colors = m_grid->DrawCellColors(index.row(), index.column());
        painter->save();
        painter->fillRect(option.rect, colors.background);
        painter->setPen(colors.text);
        painter->setFont(option.font);
        const QRect textRect = option.rect.adjusted(2, 0, -2, 0);
        const QString text =
            option.fontMetrics.elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight, textRect.width());
        painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return {QStyledItemDelegate::sizeHint(option, index).width(), TValueListEditor::RowHeight + 1};
    }

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &index) const override
    {
        if (index.column() != 1)
            return nullptr;
        if (m_grid->Style(index.row()) == TValueListEditor::EditStyle::PickList) {
            auto *combo = new QComboBox(parent); // not editable: the items are the only choices
            combo->addItems(m_grid->PickList(index.row()));
            combo->setMaxVisibleItems(16);
            connect(combo, &QComboBox::activated, this, [this, combo] {
                auto *self = const_cast<TValueListDelegate *>(this);
                emit self->commitData(combo);
                emit self->closeEditor(combo);
            });
            return combo;
        }
        if (m_grid->ReadOnly(index.row()))
            return nullptr;
        auto *edit = new QLineEdit(parent);
        edit->setFrame(false);
        if (!m_grid->RefusedCharacters().isEmpty()) {
            const QRegularExpression allowed(
                QStringLiteral("[^") + QRegularExpression::escape(m_grid->RefusedCharacters()) + QStringLiteral("]*"));
            edit->setValidator(new QRegularExpressionValidator(allowed, edit));
        }
        return edit;
    }

    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        const QString text = index.data(Qt::EditRole).toString();
        if (auto *combo = qobject_cast<QComboBox *>(editor)) {
            const int item = combo->findText(text, Qt::MatchFixedString); // without regard to case
            combo->setCurrentIndex(item);
            if (item < 0)
                combo->setPlaceholderText(text); // a typed custom size is no item, but still shown
        } else if (auto *edit = qobject_cast<QLineEdit *>(editor)) {
            edit->setText(text);
        }
    }

    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override
    {
        if (auto *combo = qobject_cast<QComboBox *>(editor)) {
            if (combo->currentIndex() >= 0 && combo->currentText() != index.data(Qt::EditRole).toString())
                model->setData(index, combo->currentText());
        } else if (auto *edit = qobject_cast<QLineEdit *>(editor)) {
            if (edit->text() != index.data(Qt::EditRole).toString())
                model->setData(index, edit->text());
        }
    }

    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option, const QModelIndex &) const override
    {
        editor->setGeometry(option.rect);
    }

private:
    TValueListEditor *m_grid;
};

} // namespace

TValueListEditor::TValueListEditor(int keyWidth, int valueWidth, QWidget *parent) : QTableWidget(0, 2, parent)
{
    horizontalHeader()->hide();
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(RowHeight + 1);
    verticalHeader()->setDefaultSectionSize(RowHeight + 1);
    horizontalHeader()->setMinimumSectionSize(8);
    horizontalHeader()->setSectionResizeMode(0, QHeaderView::Interactive);
    horizontalHeader()->setStretchLastSection(true);
    setColumnWidth(0, keyWidth);
    setColumnWidth(1, valueWidth);
    resize(keyWidth + valueWidth, height());
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::NoFrame);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Tab leaves the grid for the next control; the arrow keys move between its rows.
    setTabKeyNavigation(false);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked
                    | QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    setItemDelegate(new TValueListDelegate(this));
    setWordWrap(false);
    viewport()->setMouseTracking(true);

    connect(model(), &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &, const QModelIndex &, const QList<int> &roles) {
                if (roles.isEmpty() || roles.contains(Qt::DisplayRole) || roles.contains(Qt::EditRole))
                    Announce();
            });
    // The key column is fixed: a click on a key makes the row's value cell current.
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex &current) {
        if (current.isValid() && current.column() == 0)
            setCurrentCell(current.row(), 1);
        viewport()->update();
    });
}

int TValueListEditor::InsertRow(const QString &key)
{
    const int row = rowCount();
    BeginUpdate();
    insertRow(row);
    auto *keyItem = new QTableWidgetItem(key);
    keyItem->setFlags(Qt::ItemIsEnabled);
    setItem(row, 0, keyItem);
    auto *valueItem = new QTableWidgetItem();
    valueItem->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
    setItem(row, 1, valueItem);
    EndUpdate();
    Announce();
    return row;
}

void TValueListEditor::DeleteRow(int row)
{
    if (row < 0 || row >= rowCount())
        return;
    BeginUpdate();
    removeRow(row);
    EndUpdate();
    Announce();
}

QString TValueListEditor::Key(int row) const
{
    const QTableWidgetItem *it = item(row, 0);
    return it ? it->text() : QString();
}

bool TValueListEditor::FindRow(const QString &key, int &row) const
{
    for (int r = 0; r < rowCount(); ++r) {
        if (Key(r).compare(key, Qt::CaseInsensitive) == 0) {
            row = r;
            return true;
        }
    }
    return false;
}

QString TValueListEditor::Value(const QString &key) const
{
    int row = -1;
    return FindRow(key, row) ? ValueAt(row) : QString();
}

bool TValueListEditor::SetValue(const QString &key, const QString &value)
{
    int row = -1;
    if (!FindRow(key, row))
        return false;
    SetValueAt(row, value);
    return true;
}

QString TValueListEditor::ValueAt(int row) const
{
    const QTableWidgetItem *it = item(row, 1);
    return it ? it->text() : QString();
}

void TValueListEditor::SetValueAt(int row, const QString &value)
{
    if (QTableWidgetItem *it = item(row, 1); it && it->text() != value)
        it->setText(value);
}

void TValueListEditor::SetReadOnly(int row, bool readOnly)
{
    QTableWidgetItem *it = item(row, 1);
    if (!it)
        return;
    BeginUpdate();
    it->setData(ReadOnlyRole, readOnly);
    // A read-only pick list still opens its drop-down; only typing is blocked.
    const bool editable = !readOnly || Style(row) == EditStyle::PickList;
    it->setFlags(editable ? it->flags() | Qt::ItemIsEditable : it->flags() & ~Qt::ItemIsEditable);
    EndUpdate();
}

bool TValueListEditor::ReadOnly(int row) const
{
    const QTableWidgetItem *it = item(row, 1);
    return it && it->data(ReadOnlyRole).toBool();
}

void TValueListEditor::SetPickList(int row, const QStringList &items)
{
    QTableWidgetItem *it = item(row, 1);
    if (!it)
        return;
    BeginUpdate();
    it->setData(PickListRole, items);
    it->setFlags(it->flags() | Qt::ItemIsEditable);
    EndUpdate();
}

QStringList TValueListEditor::PickList(int row) const
{
    const QTableWidgetItem *it = item(row, 1);
    return it ? it->data(PickListRole).toStringList() : QStringList();
}

TValueListEditor::EditStyle TValueListEditor::Style(int row) const
{
    const QTableWidgetItem *it = item(row, 1);
    return it && it->data(PickListRole).isValid() ? EditStyle::PickList : EditStyle::Simple;
}

bool TValueListEditor::Focused() const
{
    const QWidget *focus = QApplication::focusWidget();
    return focus && (focus == this || isAncestorOf(focus));
}

TValueListEditor::CellColors TValueListEditor::DrawCellColors(int row, int col) const
{
    const QColor window = palette().color(QPalette::Base);
    const bool silver = col == 1 && ReadOnly(row) && Style(row) != EditStyle::PickList;
    const QColor remembered = silver ? Silver : QColor(Qt::black);
    CellColors colors{remembered, col == 0 ? palette().color(QPalette::Button) : window};
    if (row != currentRow())
        return colors;
    if (col == 1 && currentColumn() == 1) {
        colors = {remembered, window}; // the chosen value without selection highlight
    } else if (col == 0) {
        colors = Focused() ? CellColors{palette().color(QPalette::HighlightedText), FocusedKey}
                           : CellColors{remembered, window};
    }
    return colors;
}

void TValueListEditor::Announce()
{
    if (m_updating == 0)
        emit StringsChange();
}

void TValueListEditor::mousePressEvent(QMouseEvent *event)
{
    emit MouseDown();
    QTableWidget::mousePressEvent(event);
    // One click on a pick-list value turns it into its drop-down.
    const QModelIndex index = indexAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && index.isValid() && index.column() == 1
        && Style(index.row()) == EditStyle::PickList && currentIndex() == index)
        QAbstractItemView::edit(index, QAbstractItemView::AllEditTriggers, event);
}

void TValueListEditor::focusInEvent(QFocusEvent *event)
{
    QTableWidget::focusInEvent(event);
    viewport()->update();
}

void TValueListEditor::focusOutEvent(QFocusEvent *event)
{
    QTableWidget::focusOutEvent(event);
    viewport()->update();
}

bool TValueListEditor::NearColumnBorder(int x) const
{
    return qAbs(x - columnWidth(0)) <= BorderGrip;
}

bool TValueListEditor::viewportEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton && NearColumnBorder(mouse->position().toPoint().x())) {
            emit MouseDown();
            m_draggingBorder = true;
            return true;
        }
        break;
    }
    case QEvent::MouseMove: {
        auto *mouse = static_cast<QMouseEvent *>(event);
        const int x = mouse->position().toPoint().x();
        if (m_draggingBorder) {
            setColumnWidth(0, qBound(8, x, qMax(8, viewport()->width() - 8)));
            return true;
        }
        if (NearColumnBorder(x))
            viewport()->setCursor(Qt::SplitHCursor);
        else
            viewport()->unsetCursor();
        break;
    }
    case QEvent::MouseButtonRelease:
        if (m_draggingBorder) {
            m_draggingBorder = false;
            return true;
        }
        break;
    default:
        break;
    }
    return QTableWidget::viewportEvent(event);
}
