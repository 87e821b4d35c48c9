#pragma once

#include "convert/commands/TToolCommand.h"
#include "convert/tools/TToolSandbox.h"

#include <QObject>
#include <QPointer>
#include <QProcess>

// Runs the two tools as child processes, one slot each: the encoder (its pre-pass and its
// pass) and the transcoder. Standard output and standard error arrive together, in chunks
// of at most ChunkSize bytes as they are read; everything is reported by signals, so the
// window stays responsive while a tool runs. No child outlives the program: killed ones
// are reaped, and on Linux a child is killed when the program dies.
class TProcessRunner : public QObject
{
    Q_OBJECT
public:
    enum Slot { Encoder, Transcoder };
    Q_ENUM(Slot)
    static constexpr int ChunkSize = 4095;
    static constexpr int EncoderThreshold = 20;
    static constexpr int TranscoderThreshold = 2;

    struct Result
    {
        int ExitCode = 0;
        bool Crashed = false; // ended by a signal (a kill among them)
        bool Succeeded() const { return !Crashed && ExitCode == 0; }
    };

    explicit TProcessRunner(QObject *parent = nullptr);
    ~TProcessRunner() override;

    // Starts a tool in a slot. Chunks from index `threshold` on (counted from 0 within this
    // run) come as ProgressChunk; every chunk comes as OutputChunk unless drainOnly.
    // A child still running in the slot is killed first.
    void RunTool(Slot slot, const TToolCommand &command, int threshold, bool drainOnly = false);

    // What every tool run gets: no console input, death with the program, a process group
    // of its own, `folder` as its current folder (a name a tool is given without a path lands
    // there), and the fence: it reads what `fence` allows and writes only what it allows.
    static void PrepareChild(QProcess &process, const QString &folder, const TToolSandbox &fence,
                             const QString &program);
    // The current folder of the tools from here on (a private folder of the run's, which the
    // fence lets them write); empty: the program's.
    void SetToolFolder(const QString &folder) { m_toolFolder = folder; }
    // What the tools may read and write from here on, besides each command's written files.
    void SetFence(const TToolSandbox &fence) { m_fence = fence; }

    // The pre-pass: ends the encoder's child, then runs MEncoder on the title, reading and
    // dropping its output.
    void RunTitlePrepass(const TToolCommand &command);
    // The encoder pass: ends the transcoder's child first; threshold 20.
    void RunEncoderPass(const TToolCommand &command);
    // The transcoder pass; threshold 2.
    void RunTranscoder(const TToolCommand &command);

    // End the slot's child and everything it started (its process group) at once; nothing
    // happens when none runs.
    void KillEncoder();
    void KillTranscoder();
    // Ends both children and waits until they are gone (closing the program). Their signals
    // are no longer delivered.
    void StopAll();

    bool IsRunning(Slot slot) const;
    // The processor time the slot's child has used so far, in clock ticks; -1 when none runs.
    qint64 CpuTicks(Slot slot) const;
    // The line of the slot's current or last run that best says why it failed (see
    // LastErrorLine); empty when it said nothing of the kind.
    QString LastErrorLine(Slot slot, bool errorsOnly = false) const;

signals:
    void ToolStarted(TProcessRunner::Slot slot);
    // The child could not be created (a missing or unusable executable).
    void ToolFailedToStart(TProcessRunner::Slot slot);
    void OutputChunk(TProcessRunner::Slot slot, const QString &text);
    void ProgressChunk(TProcessRunner::Slot slot, int index, const QString &text);
    // The child has ended and all its output has been delivered.
    void ToolFinished(TProcessRunner::Slot slot, TProcessRunner::Result result);

private:
    QString m_toolFolder;
    TToolSandbox m_fence;
    struct Run
    {
        QPointer<QProcess> process;
        int chunks = 0;
        int threshold = 0;
        bool drainOnly = false;
        QString tail; // the end of the output, for the reason of a failure
    };

    void Kill(Slot slot);
    // The fields of the child's /proc stat line after its name (state first); empty when none runs.
    QList<QByteArray> StatFields(Slot slot) const;
    void ReadChunks(Slot slot, QProcess *process);
    void Retire(Slot slot);

    Run m_runs[2];
};

Q_DECLARE_METATYPE(TProcessRunner::Result)
