#include "TTrackChoiceBox.h"

#include "AudioTrackChoice.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStandardItemModel>
#include <QStylePainter>
#include <QStyledItemDelegate>

#include <utility>

TTrackChoiceBox::TTrackChoiceBox(QWidget *parent) : QComboBox(parent)
{
    // Some styles draw the list as a menu, without check boxes.
    view()->setItemDelegate(new QStyledItemDelegate(view()));
    view()->viewport()->installEventFilter(this);
    view()->installEventFilter(this);
    connect(this, &QComboBox::activated, this, [this](int index) {
        m_chosen = {index};
        ShowChoice();
        emit TracksChosen(m_chosen);
    });
}

void TTrackChoiceBox::SetTracks(const QStringList &tracks, const QList<int> &chosen)
{
    clear();
    addItems(tracks);
    m_chosen = chosen;
    ShowChoice();
}

QList<int> TTrackChoiceBox::Chosen() const
{
    QList<int> held;
    for (const int track : m_chosen) {
        if (track >= 0 && track < count())
            held << track;
    }
    return held;
}

QString TTrackChoiceBox::ChoiceText() const
{
    return AudioChoiceText(Items(), m_chosen, KeepsSeveral());
}

QStringList TTrackChoiceBox::Items() const
{
    QStringList tracks;
    for (int i = 0; i < count(); ++i)
        tracks << itemText(i);
    return tracks;
}

bool TTrackChoiceBox::KeepsSeveral() const
{
    return !m_keepsSeveral || m_keepsSeveral();
}

void TTrackChoiceBox::ToggleTrack(int track)
{
    if (track < 0 || track >= count())
        return;
    m_chosen = ToggleAudioTrack(Chosen(), track);
    ShowChoice();
    emit TracksChosen(m_chosen);
}

void TTrackChoiceBox::showPopup()
{
    m_pressedInList = false;
    QComboBox::showPopup();
}

void TTrackChoiceBox::ShowChoice()
{
    auto *items = qobject_cast<QStandardItemModel *>(model());
    for (int i = 0; items && i < count(); ++i) {
        QStandardItem *item = items->item(i);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(m_chosen.contains(i) ? Qt::Checked : Qt::Unchecked);
    }
    // A first track the items do not hold leaves the box without a selection.
    const QList<int> held = Chosen();
    const QModelIndex underCursor = view()->currentIndex();
    setCurrentIndex(!m_chosen.isEmpty() && held.value(0, -1) == m_chosen.first() ? held.first() : -1);
    // In the open list the cursor stays where the keys or the mouse put it.
    if (view()->isVisible())
        view()->setCurrentIndex(underCursor);
    update();
}

bool TTrackChoiceBox::event(QEvent *event)
{
    // A profile or preference changed in another window changes what the file keeps.
    if (event->type() == QEvent::WindowActivate)
        update();
    // The hint says what the file keeps now.
    if (event->type() == QEvent::ToolTip) {
        QString hint = AudioChoiceText(Items(), m_chosen, true);
        if (!KeepsSeveral() && Chosen().size() > 1)
            hint += QStringLiteral("\nThis profile's file keeps one sound track: the first checked.");
        setToolTip(hint);
    }
    return QComboBox::event(event);
}

void TTrackChoiceBox::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentIcon = QIcon();
    // Several tracks seldom fit: the cut is shown, the hint holds them all.
    const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    option.currentText = fontMetrics().elidedText(ChoiceText(), Qt::ElideRight, field.width());
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

bool TTrackChoiceBox::eventFilter(QObject *watched, QEvent *event)
{
    // Clicks and Space in the open list check or uncheck; the list stays open for the next.
    // The release of the click that opened the list lands in it too: only a click begun in
    // the list counts.
    if (watched == view()->viewport()
        && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick))
        m_pressedInList = true;
    if (watched == view()->viewport() && event->type() == QEvent::MouseButtonRelease) {
        const QModelIndex index = view()->indexAt(static_cast<QMouseEvent *>(event)->position().toPoint());
        if (index.isValid() && std::exchange(m_pressedInList, false))
            ToggleTrack(index.row());
        return true;
    }
    const bool key = event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride;
    if (watched == view() && key) {
        switch (static_cast<QKeyEvent *>(event)->key()) {
        case Qt::Key_Space:
            if (event->type() == QEvent::KeyPress)
                ToggleTrack(view()->currentIndex().row());
            return true;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // Closes the list with what is checked, not with the one track under the cursor
            // (the list's own handling comes as a shortcut override).
            hidePopup();
            event->accept();
            return true;
        default:
            break;
        }
    }
    return QComboBox::eventFilter(watched, event);
}
