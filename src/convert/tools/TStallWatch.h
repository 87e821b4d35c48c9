#pragma once

#include "convert/tools/TProcessRunner.h"

#include <QElapsedTimer>
#include <QString>

// Watches the tool of the pass under way and ends it when it shows no sign of life for the
// stall time. Life is a progress figure that moves on: a tool that repeats its last line,
// chatters without a figure or never gets to its first one is hung. A pass whose output is
// only drained (the pre-pass, which opens the disc and ends) has no figures: it must end within
// the stall time. Once the converter's time has reached the entry's end, its file changing
// counts too: FFmpeg may rewrite the whole file (faststart) without a word, for minutes on a
// slow disk. Processor time alone counts only for CpuOnlyStalls stall times since the last
// figure or change of the file: a tool spinning on damaged data near its end writes nothing.
class TStallWatch
{
public:
    static constexpr int CpuOnlyStalls = 3;

    explicit TStallWatch(TProcessRunner &runner) : m_runner(runner) { }

    // A pass begins in `slot`; drained: its output is not read.
    void Begin(TProcessRunner::Slot slot, bool drained);
    // The converter's time at the entry's end, and the file it writes.
    void SetFinish(double length, const QString &file);
    // The converter has all its input: from now on its file or processor time growing is life.
    void Finishing();
    void Output(TProcessRunner::Slot slot, const QString &text);
    // Once a second during a pass: ends the tool when it has stalled.
    void Check(int stallSeconds);
    // Once a second, where the caller ends the tools itself: no sign of life for the stall time.
    bool Quiet(int stallSeconds);
    // The last pass's tool was ended as hung.
    bool Stalled() const { return m_stalled; }

private:
    void WatchFinishing(int stallSeconds);

    struct Activity
    {
        qint64 size = -1, modified = -1, cpu = -1;
        bool operator==(const Activity &o) const { return size == o.size && modified == o.modified && cpu == o.cpu; }
    };

    TProcessRunner &m_runner;
    TProcessRunner::Slot m_slot = TProcessRunner::Encoder;
    bool m_drained = false;
    QElapsedTimer m_sinceLife;
    QElapsedTimer m_sinceOutput; // the last figure or change of the file
    double m_mark = -1; // the last position or time seen
    qint64 m_frames = 0; // the converter's last count of pictures written
    double m_finishLength = -1;
    QString m_finishFile;
    Activity m_finishing;
    bool m_stalled = false;
};
