#pragma once

#include "convert/commands/TToolCommand.h"
#include "convert/tools/TProcessRunner.h"
#include "convert/tools/TSpanStreaming.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>

class TStallWatch;

// The streamed pass of an entry: its span of the disc read into a pipe (TSpanStreaming) and
// the converter reading the other end, both at once. Neither can go on without the other: when
// one fails or stalls the other is ended, and the one to blame is named. The run hands it the
// converter's events from the tool runner and the clock's ticks.
class TStreamedPass : public QObject
{
    Q_OBJECT
public:
    struct Plan
    {
        QString DvdPath;
        TTitleSpanReader::Span Span;
        QString Pipe; // made already
        TToolCommand Converter;
        QString PartialFile; // what the converter writes
        double StreamStart = 0; // the span's start on the stream's clock, seconds
        double Length = 0; // real seconds of the span
        double PicturesPerSecond = 25; // the rate the converter's picture count is taken at
    };

    TStreamedPass(TProcessRunner &runner, TStallWatch &watch, QObject *parent = nullptr);

    void Start(const Plan &plan);
    bool IsRunning() const { return m_running; }
    // The converter's events, as the tool runner gives them.
    void ConverterOutput(const QString &chunk);
    void ConverterFinished(const TProcessRunner::Result &result);
    void ConverterFailedToStart();
    // Ends both; Finished follows once both have.
    void Stop();
    // Once a second: a converter that shows no progress for the stall time is ended, or the
    // reading, where it is the one that stands.
    void Tick(int stallSeconds);
    // How far the entry has got, seconds: the converter's pictures, never past what the
    // reading has handed it (the converter's own time counts from what it first reported).
    double Seconds() const;

signals:
    // Both have ended; `reason` why the file is not whole, empty when it may be.
    void Finished(const QString &reason);

private:
    void OnRead(const TTitleSpanReader::Result &result);
    void EndIfBothDone();

    TProcessRunner &m_runner;
    TStallWatch &m_watch;
    TSpanStreaming m_reading;
    Plan m_plan;
    bool m_running = false;
    // How each ended; "ended": by this pass, after the other failed or on a stop.
    bool m_readerDone = false, m_readerEnded = false;
    TTitleSpanReader::Result m_reader;
    bool m_converterDone = false, m_converterEnded = false;
    TProcessRunner::Result m_converter;
    QString m_reason; // decided before both ended (a stall, a converter that did not start)
    qint64 m_frames = 0; // pictures the converter has written
    qint64 m_readerBytes = -1; // the reading's progress at the last tick it moved
    QElapsedTimer m_readerQuiet;
};
