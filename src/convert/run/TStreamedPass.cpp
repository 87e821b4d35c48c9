#include "TStreamedPass.h"

#include "convert/run/OutputChecks.h"
#include "convert/run/RunTexts.h"
#include "convert/tools/TStallWatch.h"
#include "convert/tools/ToolOutput.h"

TStreamedPass::TStreamedPass(TProcessRunner &runner, TStallWatch &watch, QObject *parent)
    : QObject(parent)
    , m_runner(runner)
    , m_watch(watch)
{
    connect(&m_reading, &TSpanStreaming::Finished, this, &TStreamedPass::OnRead);
}

void TStreamedPass::Start(const Plan &plan)
{
    m_plan = plan;
    m_running = true;
    m_readerDone = m_readerEnded = m_converterDone = m_converterEnded = false;
    m_reader = TTitleSpanReader::Result();
    m_converter = TProcessRunner::Result();
    m_reason.clear();
    m_frames = 0;
    m_readerBytes = -1;
    m_readerQuiet.start();
    m_watch.Begin(TProcessRunner::Transcoder, false);
    m_watch.SetFinish(plan.Length, plan.PartialFile);
    // Each opens the pipe and waits there for the other.
    m_runner.RunTranscoder(plan.Converter);
    m_reading.Start(plan.DvdPath, plan.Span, plan.Pipe);
}

void TStreamedPass::ConverterOutput(const QString &chunk)
{
    qint64 frames = 0;
    if (ParseTranscoderFrames(chunk, frames))
        m_frames = qMax(m_frames, frames);
}

double TStreamedPass::Seconds() const
{
    const double read = qMax(0.0, m_reading.Position() - m_plan.StreamStart);
    return qBound(0.0, double(m_frames) / m_plan.PicturesPerSecond, read);
}

void TStreamedPass::OnRead(const TTitleSpanReader::Result &result)
{
    if (!m_running)
        return;
    m_readerDone = true;
    m_reader = result;
    // The converter has all of it now; it may still write for a while without a word.
    m_watch.Finishing();
    // Without the rest of the span the converter cannot finish.
    if ((!result.Problem.isEmpty() || result.DamagedSectors > 0) && !m_converterDone) {
        m_converterEnded = true;
        m_runner.KillTranscoder();
    }
    EndIfBothDone();
}

void TStreamedPass::ConverterFinished(const TProcessRunner::Result &result)
{
    if (!m_running)
        return;
    m_converterDone = true;
    m_converter = result;
    if (!m_readerDone) {
        m_readerEnded = true;
        m_reading.Stop();
    }
    EndIfBothDone();
}

void TStreamedPass::ConverterFailedToStart()
{
    m_reason = QStringLiteral("the converter could not be started");
    ConverterFinished(TProcessRunner::Result());
}

void TStreamedPass::Stop()
{
    if (!m_running)
        return;
    m_converterEnded = m_readerEnded = true;
    m_runner.KillTranscoder();
    m_reading.Stop();
}

void TStreamedPass::Tick(int stallSeconds)
{
    if (!m_running || !m_reason.isEmpty())
        return;
    // A reading that waits for the converter to take what it wrote, or has ended, is alive.
    const qint64 bytes = m_reading.BytesWritten();
    if (bytes != m_readerBytes || m_reading.WaitsOnPipe() || m_readerDone) {
        m_readerBytes = bytes;
        m_readerQuiet.start();
    }
    if (!m_watch.Quiet(stallSeconds))
        return;
    const bool readerHangs = !m_readerDone && m_readerQuiet.elapsed() >= qint64(stallSeconds) * 1000;
    m_reason = readerHangs ? QStringLiteral("the disc stopped responding")
                           : QStringLiteral("the converter stopped responding");
    if (!m_converterDone) {
        m_converterEnded = true;
        m_runner.KillTranscoder();
    }
    if (!m_readerDone) {
        m_readerEnded = true;
        m_reading.Stop();
    }
}

void TStreamedPass::EndIfBothDone()
{
    if (!m_readerDone || !m_converterDone)
        return;
    m_running = false;
    QString reason = m_reason;
    if (reason.isEmpty())
        reason = DamageText(m_reader, m_plan.StreamStart);
    if (reason.isEmpty() && !m_reader.Problem.isEmpty() && !m_readerEnded)
        reason = QStringLiteral("the disc cannot be read: ") + m_reader.Problem;
    if (reason.isEmpty() && !m_converter.Succeeded() && !m_converterEnded)
        reason = ToolFailureText(QStringLiteral("converter"), m_converter, false,
                                 m_runner.LastErrorLine(TProcessRunner::Transcoder));
    emit Finished(reason);
}
