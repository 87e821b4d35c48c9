#pragma once

#include <QObject>

class QSocketNotifier;

// SIGINT, SIGTERM, SIGHUP and SIGPIPE as a signal of the event loop, so that Ctrl+C, a kill,
// a closed terminal or a reader of the output that went away (`| head`) takes the
// conversion's cancel path instead of ending the program where it stands, with the tools
// running on and their files left behind. While one exists, these signals no longer end
// the program on their own, and a write to a closed pipe fails with EPIPE instead. One at
// a time.
class TCancelSignals : public QObject
{
    Q_OBJECT
public:
    explicit TCancelSignals(QObject *parent = nullptr);
    // Holds the signals back until one exists, for a program that takes the cancel path from
    // its first instant: called first thing, a signal that comes before the handlers are in
    // place waits for them instead of ending the program.
    static void HoldUntilHandled();
    // Gives the signals back their usual effect, for a program that takes no cancel path.
    static void ReleaseHeld();
    ~TCancelSignals() override;

signals:
    void Received(int signalNumber);

private:
    void Drain();

    QSocketNotifier *m_notifier = nullptr;
    bool m_pipeReported = false;
};
