#pragma once

#include <QTreeView>

// The task list's view: 20-pixel rows with grid lines, the title and chapter icons, a
// header painted with a tiled picture, a hand cursor over entries.
class TTaskTreeView : public QTreeView
{
    Q_OBJECT
public:
    explicit TTaskTreeView(QWidget *parent);

    // From now on `column` and `squeezable` are kept wide enough for their longest text,
    // over all entries, shown or collapsed: at least their present widths after each
    // opening, and widened when a text grows. Where that would make the list scroll
    // sideways, `squeezable` gives back what its own texts do not need.
    void FitToTexts(int column, int squeezable);
    // The width a column's longest text needs, indentation included.
    int TextWidth(int column) const;

signals:
    // The entry under the mouse was double-clicked (titles also expand or collapse).
    void EntryDoubleClicked(const QModelIndex &index);

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    bool viewportEvent(QEvent *event) override;

private:
    void ScheduleFit(bool mayShrink);
    void Fit(bool mayShrink);

    int m_fitColumns[2] = {-1, -1};
    int m_fitMinimum[2] = {0, 0};
    bool m_fitPending = false;
    bool m_fitMayShrink = false;
};
