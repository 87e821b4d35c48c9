#pragma once

#include <QDialog>
#include <QPixmap>

class QLabel;
class QLineEdit;
class QPainter;
class QPushButton;
class QTimer;
class QToolButton;
class QAbstractItemView;
class TTaskListModel;
class TmkRangeSlider;
struct TTaskNodeData;

// The segment editor: trims the focused task-list entry to a part of its span with a
// two-thumb slider in whole seconds, two time edits and two one-second buttons. OK writes
// Start, End and their texts into the entry. Made once; while shown the main window is
// disabled, which makes it modal in effect.
class TEditTimeForm : public QDialog
{
    Q_OBJECT
public:
    static constexpr int ClientWidth = 456;
    static constexpr int ClientHeight = 181;

    // owner: the window it centres on and disables while shown; the entry edited is the one
    // `view` focuses in `list`. Opened by the main window's sbtnSegment and pmiTrimTime.
    TEditTimeForm(QWidget *owner, TTaskListModel *list, QAbstractItemView *view);

    // What "Segment" does: checks the focused entry, loads the slider and shows the dialog.
    void sbtnSegmentClick();
    // First set-up pass: Min 0, Max, Min, MinPosition, MaxPosition from the entry.
    void LoadSliderFromEntry(const TTaskNodeData &entry);
    // The edits and the length label from the slider (skipped once after a typed change).
    void RefreshTimeEdits();
    bool EditDrivenChange() const { return m_editDrivenChange; }
    // Draws the bar, the band and the two thumb pictures over the slider, in its pixels.
    void FormPaint(QPainter &painter) const;

    QLabel *Label2, *labStartTime, *labEndTime, *labStart, *Label1, *labLength;
    QWidget *panTop;
    QToolButton *sbtnStartTime, *sbtnEndTime;
    TmkRangeSlider *tkbTime;
    QLineEdit *edtStartTime, *edtEndTime;
    QPushButton *btnOK, *btnCancel;
    QPixmap Image1, Image2, Image3; // band, start thumb, end thumb
    QTimer *tmrRefresh;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormShow();
    void FormClose();
    void btnOKClick();
    void edtStartTimeKeyUp();
    void edtEndTimeKeyUp();
    void sbtnStartTimeClick();
    void sbtnEndTimeClick();
    void tkbTimeChange();
    void tmrRefreshTimer();
    void BuildPictures();
    void ShowSliderError(const QString &text);
    TTaskNodeData *FocusedEntry() const;

    QWidget *m_main;
    TTaskListModel *m_list;
    QAbstractItemView *m_view;
    QWidget *m_overlay;
    bool m_editDrivenChange = false;
};
