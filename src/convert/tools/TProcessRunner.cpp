#include "convert/tools/TProcessRunner.h"

#include "convert/tools/ToolGroups.h"
#include "convert/tools/ToolOutput.h"

#include <memory>

#include <QFile>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>
#endif

namespace {

// A killed child is gone within milliseconds; the bound keeps closing from hanging on a
// child stuck in the kernel.
constexpr int kReapMs = 5000;
constexpr int kTailChars = 8192;

// A tool runs in a process group of its own; whatever it started goes with it.
void KillGroup(QProcess *process)
{
#ifdef Q_OS_LINUX
    const qint64 pid = process->processId();
    if (pid > 0)
        ::kill(-static_cast<pid_t>(pid), SIGKILL);
#else
    Q_UNUSED(process);
#endif
}

} // namespace

TProcessRunner::TProcessRunner(QObject *parent) : QObject(parent)
{
    qRegisterMetaType<TProcessRunner::Result>();
    qRegisterMetaType<TProcessRunner::Slot>();
}

TProcessRunner::~TProcessRunner()
{
    StopAll();
}

void TProcessRunner::RunTool(Slot slot, const TToolCommand &command, int threshold, bool drainOnly)
{
    Retire(slot);
    auto *process = new QProcess(this);
    process->setProcessChannelMode(QProcess::MergedChannels);
    TToolSandbox fence = m_fence;
    fence.AllowWrite(m_toolFolder);
    for (const QString &file : command.Written()) {
        // Made first (empty), so that the fence can name the file itself, not its folder.
        QFile made(file);
        if (!made.exists())
            made.open(QIODevice::WriteOnly);
        fence.AllowWrite(file);
    }
    PrepareChild(*process, m_toolFolder, fence, command.Program());
    Run &run = m_runs[slot];
    run.process = process;
    run.chunks = 0;
    run.threshold = threshold;
    run.drainOnly = drainOnly;
    run.tail.clear();

    connect(process, &QProcess::started, this, [this, slot] { emit ToolStarted(slot); });
    connect(process, &QProcess::readyRead, this, [this, slot, process] { ReadChunks(slot, process); });
    connect(process, &QProcess::errorOccurred, this, [this, slot, process](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return; // a crash or kill still ends in finished()
        if (m_runs[slot].process == process)
            m_runs[slot].process.clear();
        process->deleteLater();
        emit ToolFailedToStart(slot);
    });
    connect(process, &QProcess::finished, this, [this, slot, process](int exitCode, QProcess::ExitStatus status) {
        ReadChunks(slot, process);
        Result result;
        result.ExitCode = exitCode;
        result.Crashed = status == QProcess::CrashExit;
        if (m_runs[slot].process == process)
            m_runs[slot].process.clear();
        process->deleteLater();
        emit ToolFinished(slot, result);
    });
    process->start(command.Program(), command.Arguments(), QIODevice::ReadOnly);
}

void TProcessRunner::PrepareChild(QProcess &process, const QString &folder, const TToolSandbox &fence,
                                  const QString &program)
{
    if (!folder.isEmpty())
        process.setWorkingDirectory(folder);
#ifdef Q_OS_LINUX
    // The group outlives its leader while a child of the tool runs on; it goes with the run,
    // however that ends. Connected first, this comes before any other handler of the end.
    auto group = std::make_shared<pid_t>(0);
    QObject::connect(&process, &QProcess::started, &process, [&process, group] {
        *group = static_cast<pid_t>(process.processId());
        ToolGroups::Add(*group);
    });
    QObject::connect(&process, &QProcess::finished, &process, [group] {
        if (*group > 0) {
            ::kill(-*group, SIGKILL);
            ToolGroups::Remove(*group);
        }
    });
#endif
    // Neither tool should wait for keys; FFmpeg reads its console otherwise.
    process.setStandardInputFile(QProcess::nullDevice());
#ifdef Q_OS_LINUX
    // The rules stay open as long as the process object: the child takes them at fork.
    const auto rules = std::shared_ptr<int>(new int(fence.BuildRules(program)), [](int *fd) {
        if (*fd >= 0)
            ::close(*fd);
        delete fd;
    });
    process.setChildProcessModifier([rules] {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        // A group of its own: Ctrl+C in a terminal reaches only the program, whose cancel
        // path ends the tool and removes what it left; the tool must not end on its own first.
        ::setpgid(0, 0);
        TToolSandbox::Enter(*rules);
    });
#else
    Q_UNUSED(fence);
    Q_UNUSED(program);
#endif
}

void TProcessRunner::RunTitlePrepass(const TToolCommand &command)
{
    KillEncoder();
    RunTool(Encoder, command, 0, true);
}

void TProcessRunner::RunEncoderPass(const TToolCommand &command)
{
    KillTranscoder();
    RunTool(Encoder, command, EncoderThreshold);
}

void TProcessRunner::RunTranscoder(const TToolCommand &command)
{
    RunTool(Transcoder, command, TranscoderThreshold);
}

void TProcessRunner::KillEncoder()
{
    Kill(Encoder);
}
void TProcessRunner::KillTranscoder()
{
    Kill(Transcoder);
}

void TProcessRunner::Kill(Slot slot)
{
    QProcess *process = m_runs[slot].process;
    if (process && process->state() != QProcess::NotRunning) {
        KillGroup(process);
        process->kill(); // finished() follows and ends the pass as usual
    }
}

void TProcessRunner::Retire(Slot slot)
{
    QProcess *process = m_runs[slot].process;
    m_runs[slot].process.clear();
    if (!process)
        return;
    process->disconnect(this);
    if (process->state() != QProcess::NotRunning) {
        KillGroup(process);
        process->kill();
        process->waitForFinished(kReapMs);
    }
    process->deleteLater();
}

void TProcessRunner::StopAll()
{
    Retire(Encoder);
    Retire(Transcoder);
}

bool TProcessRunner::IsRunning(Slot slot) const
{
    const QProcess *process = m_runs[slot].process;
    return process && process->state() != QProcess::NotRunning;
}

QList<QByteArray> TProcessRunner::StatFields(Slot slot) const
{
    if (!IsRunning(slot))
        return {};
    QFile stat(QStringLiteral("/proc/%1/stat").arg(m_runs[slot].process->processId()));
    if (!stat.open(QIODevice::ReadOnly))
        return {};
    // The name may hold blanks and brackets; the fields after its last ')' are plain.
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    return close < 0 ? QList<QByteArray>() : line.mid(close + 2).split(' ');
}

qint64 TProcessRunner::CpuTicks(Slot slot) const
{
    const QList<QByteArray> fields = StatFields(slot);
    if (fields.isEmpty())
        return -1;
    // utime, stime, cutime, cstime: fields 14 to 17 of the line, here 11 to 14 counted from 0.
    qint64 ticks = 0;
    for (int i = 11; i <= 14 && i < fields.size(); ++i)
        ticks += fields.at(i).toLongLong();
    return ticks;
}

QString TProcessRunner::LastErrorLine(Slot slot, bool errorsOnly) const
{
    return ::LastErrorLine(m_runs[slot].tail, errorsOnly);
}

void TProcessRunner::ReadChunks(Slot slot, QProcess *process)
{
    Run &run = m_runs[slot];
    if (run.process != process)
        return;
    while (process->bytesAvailable() > 0) {
        const QByteArray data = process->read(ChunkSize);
        if (data.isEmpty())
            break;
        const int index = run.chunks++;
        const qsizetype zero = data.indexOf('\0');
        const QString text = QString::fromLocal8Bit(zero < 0 ? data : data.left(zero));
        run.tail += text;
        if (run.tail.size() > kTailChars)
            run.tail.remove(0, run.tail.size() - kTailChars);
        if (run.drainOnly)
            continue;
        emit OutputChunk(slot, text);
        if (index >= run.threshold)
            emit ProgressChunk(slot, index, text);
        if (run.process != process)
            return; // a handler ended the run
    }
}
