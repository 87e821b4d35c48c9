#pragma once

#include "dvd/TTitleSpanReader.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>

class QThread;

// Writes an entry's span of the disc (TTitleSpanReader) into a named pipe off the window's
// thread, for the converter that reads the other end. Opening waits for the reader to come;
// every wait gives way to Stop within a fraction of a second, and a reader that goes away
// ends the writing (without the signal a closed pipe would raise). One at a time.
class TSpanStreaming : public QObject
{
    Q_OBJECT
public:
    explicit TSpanStreaming(QObject *parent = nullptr);
    // Stops a writing under way and waits for it.
    ~TSpanStreaming() override;

    // An empty `pipe`: the span is only read, for the damage the reading meets.
    void Start(const QString &location, const TTitleSpanReader::Span &span, const QString &pipe);
    // Finished still follows, with Result::Stopped.
    void Stop();
    bool IsRunning() const { return m_thread != nullptr; }

    // Signs of life for a watchdog: bytes handed to the pipe, and whether the writing waits for
    // the reader to take them (or to open the pipe at all).
    qint64 BytesWritten() const { return m_state ? m_state->written.load() : 0; }
    bool WaitsOnPipe() const { return m_state && m_state->waiting.load(); }
    // The stream's clock (TTitleSpanReader) at the last picture handed to the pipe, seconds.
    double Position() const { return m_state ? m_state->position.load() : 0; }

signals:
    void Finished(const TTitleSpanReader::Result &result);

private:
    struct State
    {
        std::atomic_bool stop{false};
        std::atomic_bool waiting{false};
        std::atomic<qint64> written{0};
        std::atomic<double> position{0};
        TTitleSpanReader::Result result;
    };
    void Join();

    QThread *m_thread = nullptr;
    std::shared_ptr<State> m_state;
};

Q_DECLARE_METATYPE(TTitleSpanReader::Result)
