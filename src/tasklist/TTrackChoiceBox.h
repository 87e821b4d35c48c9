#pragma once

#include <QComboBox>
#include <QList>

#include <functional>
#include <utility>

// The Audio Track list: a drop-down whose items are check boxes, so that an entry keeps
// several sound tracks in the order they were checked. A click in the open list checks or
// unchecks a track and leaves the list open; choosing with the keys on the closed box keeps
// that one track alone. The box shows the chosen tracks (AudioChoiceText); currentIndex is
// the first of them.
class TTrackChoiceBox : public QComboBox
{
    Q_OBJECT
public:
    explicit TTrackChoiceBox(QWidget *parent);

    // The items and which of them are chosen, in order.
    void SetTracks(const QStringList &tracks, const QList<int> &chosen);
    // The chosen tracks the items hold, in order.
    QList<int> Chosen() const;
    // Asked each time the text is made: whether the file keeps more than one sound track.
    void SetKeepsSeveral(std::function<bool()> keepsSeveral) { m_keepsSeveral = std::move(keepsSeveral); }
    // What the box shows.
    QString ChoiceText() const;
    // As a click on the item in the open list does.
    void ToggleTrack(int track);
    void showPopup() override;

signals:
    // The user changed the choice; `tracks` is the new one, in order.
    void TracksChosen(const QList<int> &tracks);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void ShowChoice();
    QStringList Items() const;
    bool KeepsSeveral() const;

    QList<int> m_chosen;
    std::function<bool()> m_keepsSeveral;
    bool m_pressedInList = false;
};
