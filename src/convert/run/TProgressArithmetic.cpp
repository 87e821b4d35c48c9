#include "convert/run/TProgressArithmetic.h"

#include "convert/tools/ToolOutput.h"
#include "core/RoundHalfEven.h"
#include "core/TimeText.h"

namespace {

int Bar(double position)
{
    return int(qBound(qint64(0), RoundHalfEven(position), qint64(100)));
}

QString Percent(int bar)
{
    return QString::number(bar) + QLatin1Char('%');
}

QString Frames(qint64 shown, qint64 total)
{
    return QString::number(shown) + QStringLiteral(" / ") + QString::number(total);
}

} // namespace

void TProgressArithmetic::BeginRun(double totalSeconds, double frameRateFactor, int entries)
{
    *this = TProgressArithmetic();
    m_totalSeconds = totalSeconds;
    m_entries = qMax(1, entries);
    m_runFrameRateFactor = frameRateFactor;
    m_frameRateFactor = frameRateFactor;
    m_progress.ElapsedText.clear();
    m_progress.RemainingText.clear();
    m_progress.FrameText = Frames(0, 0);
}

void TProgressArithmetic::BeginEntry(double length)
{
    ++m_entriesBegun;
    m_length = length;
    m_encoderReading = 0;
    m_frameRateFactor = m_runFrameRateFactor;
    m_totalFrames = RoundHalfEven(length * m_frameRateFactor / 1000.0);
    // A position read for an earlier entry says nothing about this one.
    m_encoderPosition = 0;
    m_transcoderTime = 0;
    SetCurrent(0);
    m_progress.FrameText = Frames(0, m_totalFrames);
}

void TProgressArithmetic::SetEntryFrameRate(double frameRateFactor)
{
    m_frameRateFactor = frameRateFactor;
    m_totalFrames = RoundHalfEven(m_length * m_frameRateFactor / 1000.0);
    SetFrames(m_encoderPosition * m_frameRateFactor / 1000 / 2);
}

void TProgressArithmetic::SetEncoderReading(double seconds)
{
    m_encoderReading = seconds;
}

void TProgressArithmetic::EncoderChunk(const QString &chunk)
{
    double position = 0;
    if (ParseEncoderPosition(chunk, position)) {
        if (m_encoderReading > 0)
            position = qMin(position, m_encoderReading) * m_length / m_encoderReading;
        m_encoderPosition = position;
    }
    if (m_length != 0) {
        SetCurrent(m_encoderPosition / m_length * 100 / 2);
        SetFrames(m_encoderPosition * m_frameRateFactor / 1000 / 2);
    }
    m_position = m_doneSeconds + m_encoderPosition;
    if (m_totalSeconds != 0)
        SetTotal(m_position / m_totalSeconds * 100);
}

void TProgressArithmetic::BeginTranscoder()
{
    m_transcoderTime = 0;
}

void TProgressArithmetic::TranscoderChunk(const QString &chunk)
{
    double time = 0;
    if (ParseTranscoderTime(chunk, time) && time > m_transcoderTime)
        m_transcoderTime = time;
    if (m_length != 0) {
        SetCurrent((m_length + m_transcoderTime) / (2 * m_length) * 100);
        SetFrames((m_length + m_transcoderTime) / 2 * m_frameRateFactor / 1000);
    }
    m_position = m_doneSeconds + m_length + m_transcoderTime;
    if (m_totalSeconds != 0)
        SetTotal(m_position / m_totalSeconds * 100);
}

void TProgressArithmetic::StreamChunk(const QString &chunk)
{
    double time = 0;
    ParseTranscoderTime(chunk, time);
    StreamPosition(time);
}

void TProgressArithmetic::StreamPosition(double seconds)
{
    if (seconds > m_transcoderTime)
        m_transcoderTime = seconds;
    m_encoderPosition = m_transcoderTime;
    if (m_length != 0) {
        SetCurrent(m_transcoderTime / m_length * 100);
        SetFrames(m_transcoderTime * m_frameRateFactor / 1000);
    }
    m_position = m_doneSeconds + 2 * m_transcoderTime;
    if (m_totalSeconds != 0)
        SetTotal(m_position / m_totalSeconds * 100);
}

void TProgressArithmetic::EntryFinished()
{
    // The passes converted the whole entry, whatever their last figure said.
    m_position = m_doneSeconds + 2 * m_length;
    SetCurrent(100);
    m_progress.FrameText = Frames(m_totalFrames, m_totalFrames);
}

void TProgressArithmetic::CountEntryDone()
{
    // The whole share, not the last position read: a short pass may report none, and a
    // skipped entry reads nothing, yet the total bar has to reach 100 %.
    m_convertedSeconds += qMax(0.0, m_position - m_doneSeconds);
    m_otherTicksDone += m_entryOtherTicks;
    m_entryOtherTicks = 0;
    ++m_entriesDone;
    m_doneSeconds += 2 * m_length;
    m_position = m_doneSeconds;
    if (m_totalSeconds != 0)
        SetTotal(m_doneSeconds / m_totalSeconds * 100);
}

void TProgressArithmetic::RunComplete()
{
    SetTotal(100);
    // Nothing remains; the clock may stop before its next tick would say so.
    m_remainingSeconds = 0;
    m_progress.RemainingText = SecondsToTimeText(0);
}

void TProgressArithmetic::Tick(bool converting)
{
    ++m_elapsedSeconds;
    if (converting)
        ++m_convertingTicks;
    else
        ++m_entryOtherTicks;
    m_progress.ElapsedText = SecondsToTimeText(m_elapsedSeconds);
    const double estimate = RemainingEstimate();
    if (estimate >= 0)
        m_remainingSeconds = int(RoundHalfEven(estimate));
    m_progress.RemainingText = SecondsToTimeText(m_remainingSeconds);
}

double TProgressArithmetic::RemainingEstimate() const
{
    const double converted = m_convertedSeconds + qMax(0.0, m_position - m_doneSeconds);
    if (m_convertingTicks == 0 || converted <= 0) {
        // No pass has shown its pace yet: the share done so far against the time so far.
        const int p = m_progress.TotalBar;
        return p > 0 ? m_elapsedSeconds / (p / 100.0) - m_elapsedSeconds : -1;
    }
    // The steps around an entry's passes: as long as they took the entries done, else as
    // long as they have taken this one so far.
    const double around = m_entriesDone > 0 ? double(m_otherTicksDone) / m_entriesDone : m_entryOtherTicks;
    return qMax(0.0, m_totalSeconds - m_position) * m_convertingTicks / converted
         + qMax(0.0, around - m_entryOtherTicks) + around * qMax(0, m_entries - m_entriesBegun);
}

void TProgressArithmetic::SetCurrent(double position)
{
    m_progress.CurrentBar = Bar(position);
    m_progress.CurProgressText = Percent(m_progress.CurrentBar);
}

void TProgressArithmetic::SetTotal(double position)
{
    m_progress.TotalBar = Bar(position);
    m_progress.TotalProgressText = Percent(m_progress.TotalBar);
}

void TProgressArithmetic::SetFrames(double shown)
{
    m_progress.FrameText = Frames(RoundHalfEven(shown), m_totalFrames);
}
