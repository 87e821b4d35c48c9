#include "TValueListEditor.h"

#include <QHeaderView>

TValueListEditor::TValueListEditor(int keyWidth, int valueWidth, QWidget *parent)
    : QTableWidget(0, 2, parent)
{
    horizontalHeader()->hide();
    verticalHeader()->hide();
    verticalHeader()->setMinimumSectionSize(RowHeight + 1);
    verticalHeader()->setDefaultSectionSize(RowHeight + 1);
    horizontalHeader()->setStretchLastSection(true);
    setColumnWidth(0, keyWidth);
    setColumnWidth(1, valueWidth);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::NoFrame);
    setSelectionMode(QAbstractItemView::SingleSelection);
}

void TValueListEditor::InsertRow(const QString &key)
{
    const int row = rowCount();
    insertRow(row);
    auto *keyItem = new QTableWidgetItem(key);
    keyItem->setFlags(keyItem->flags() & ~Qt::ItemIsEditable);
    setItem(row, 0, keyItem);
    setItem(row, 1, new QTableWidgetItem());
}

QString TValueListEditor::Key(int row) const
{
    const QTableWidgetItem *it = item(row, 0);
    return it ? it->text() : QString();
}

QString TValueListEditor::Value(const QString &key) const
{
    for (int row = 0; row < rowCount(); ++row) {
        if (Key(row) == key)
            return item(row, 1) ? item(row, 1)->text() : QString();
    }
    return {};
}
