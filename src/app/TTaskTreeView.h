#pragma once

#include <QTreeView>

// The task list's view: 20-pixel rows with grid lines, the title and chapter icons, a
// header painted with a tiled picture, a hand cursor over entries.
class TTaskTreeView : public QTreeView
{
    Q_OBJECT
public:
    explicit TTaskTreeView(QWidget *parent);

signals:
    // The entry under the mouse was double-clicked (titles also expand or collapse).
    void EntryDoubleClicked(const QModelIndex &index);

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
};
