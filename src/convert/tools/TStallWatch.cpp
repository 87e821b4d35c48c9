#include "convert/tools/TStallWatch.h"

#include "convert/tools/ToolOutput.h"

#include <QDateTime>
#include <QFileInfo>

void TStallWatch::Begin(TProcessRunner::Slot slot, bool drained)
{
    m_slot = slot;
    m_drained = drained;
    m_stalled = false;
    m_mark = -1;
    m_frames = 0;
    m_finishLength = -1;
    m_finishFile.clear();
    m_finishing = Activity();
    m_sinceLife.start();
    m_sinceOutput.start();
}

void TStallWatch::SetFinish(double length, const QString &file)
{
    m_finishLength = length;
    m_finishFile = file;
}

void TStallWatch::Finishing()
{
    m_finishLength = -1;
    if (m_mark < 0)
        m_mark = 0;
}

void TStallWatch::Output(TProcessRunner::Slot slot, const QString &text)
{
    if (slot != m_slot || m_drained)
        return;
    double value = 0;
    const bool marked =
        slot == TProcessRunner::Encoder ? ParseEncoderPosition(text, value) : ParseTranscoderTime(text, value);
    // Only a figure that moves on: a hung tool may repeat its last line, or print forever.
    if (marked && value > m_mark) {
        m_sinceLife.start();
        m_sinceOutput.start();
        m_mark = value;
    }
    // The converter's time is the furthest of its streams': a subtitle line far ahead sets it
    // there and it stands still while the pictures catch up. Pictures written are life too.
    qint64 frames = 0;
    if (slot == TProcessRunner::Transcoder && ParseTranscoderFrames(text, frames) && frames > m_frames) {
        m_sinceLife.start();
        m_sinceOutput.start();
        m_frames = frames;
    }
}

void TStallWatch::WatchFinishing(int stallSeconds)
{
    if (m_finishFile.isEmpty() || m_mark < 0 || m_mark < m_finishLength - 1.0)
        return;
    const QFileInfo file(m_finishFile);
    Activity now;
    now.size = file.size();
    now.modified = file.lastModified().toMSecsSinceEpoch();
    now.cpu = m_runner.CpuTicks(m_slot);
    if (now == m_finishing)
        return;
    const bool written = now.size != m_finishing.size || now.modified != m_finishing.modified;
    m_finishing = now;
    if (written)
        m_sinceOutput.start();
    else if (m_sinceOutput.elapsed() >= qint64(CpuOnlyStalls) * stallSeconds * 1000)
        return;
    m_sinceLife.start();
}

bool TStallWatch::Quiet(int stallSeconds)
{
    WatchFinishing(stallSeconds);
    return m_sinceLife.elapsed() >= qint64(stallSeconds) * 1000;
}

void TStallWatch::Check(int stallSeconds)
{
    if (!Quiet(stallSeconds) || m_stalled || !m_runner.IsRunning(m_slot))
        return;
    m_stalled = true;
    if (m_slot == TProcessRunner::Encoder)
        m_runner.KillEncoder();
    else
        m_runner.KillTranscoder();
}
