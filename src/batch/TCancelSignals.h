#pragma once

#include <QObject>

class QSocketNotifier;

// SIGINT and SIGTERM as a signal of the event loop, so that Ctrl+C or a kill takes the
// conversion's cancel path instead of ending the program where it stands. While one
// exists, the two signals no longer end the program on their own. One at a time.
class TCancelSignals : public QObject
{
    Q_OBJECT
public:
    explicit TCancelSignals(QObject *parent = nullptr);
    ~TCancelSignals() override;

signals:
    void Received(int signalNumber);

private:
    void Drain();

    QSocketNotifier *m_notifier = nullptr;
};
