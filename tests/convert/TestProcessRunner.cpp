#include "TestSupport.h"

#include "convert/tools/TProcessRunner.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <csignal>

namespace {

TToolCommand Shell(const QString &script, const QStringList &arguments = {})
{
    TToolCommand c(QStringLiteral("/bin/sh"));
    c.Add(QStringLiteral("-c")).Add(script).Add(QStringLiteral("sh"));
    for (const QString &a : arguments)
        c.Add(a);
    return c;
}

struct Recorder
{
    explicit Recorder(TProcessRunner &runner)
        : finished(&runner, &TProcessRunner::ToolFinished)
        , failed(&runner, &TProcessRunner::ToolFailedToStart)
        , started(&runner, &TProcessRunner::ToolStarted)
    {
        QObject::connect(&runner, &TProcessRunner::OutputChunk, &runner,
                         [this](TProcessRunner::Slot, const QString &t) { output << t; });
        QObject::connect(&runner, &TProcessRunner::ProgressChunk, &runner,
                         [this](TProcessRunner::Slot, int i, const QString &) { progressIndexes << i; });
    }
    bool WaitFinished(int ms = 10000) { return !finished.isEmpty() || finished.wait(ms); }
    TProcessRunner::Result Result() const { return finished.first().at(1).value<TProcessRunner::Result>(); }

    QSignalSpy finished, failed, started;
    QStringList output;
    QList<int> progressIndexes;
};

bool ProcessExists(qint64 pid)
{
    return ::kill(pid_t(pid), 0) == 0 || errno != ESRCH;
}

} // namespace

class TestProcessRunner : public QObject
{
    Q_OBJECT
private slots:
    void mergesBothChannels()
    {
        TProcessRunner runner;
        Recorder r(runner);
        runner.RunTool(TProcessRunner::Transcoder, Shell(QStringLiteral("echo out; echo err >&2")), 0);
        QVERIFY(r.WaitFinished());
        const QString all = r.output.join(QString());
        QVERIFY(all.contains(QStringLiteral("out")));
        QVERIFY(all.contains(QStringLiteral("err")));
        QVERIFY(r.Result().Succeeded());
        QCOMPARE(r.started.size(), 1);
        QCOMPARE(r.finished.first().at(0).value<TProcessRunner::Slot>(), TProcessRunner::Transcoder);
    }

    void chunksHoldAtMost4095Bytes()
    {
        TProcessRunner runner;
        Recorder r(runner);
        runner.RunTool(TProcessRunner::Encoder, Shell(QStringLiteral("head -c 20000 /dev/zero | tr '\\000' x")), 0);
        QVERIFY(r.WaitFinished());
        int total = 0;
        for (const QString &chunk : std::as_const(r.output)) {
            QVERIFY(chunk.size() <= TProcessRunner::ChunkSize);
            total += chunk.size();
        }
        QCOMPARE(total, 20000);
        QVERIFY(r.output.size() >= 5);
    }

    void textEndsAtAZeroByte()
    {
        TProcessRunner runner;
        Recorder r(runner);
        runner.RunTool(TProcessRunner::Encoder, Shell(QStringLiteral("printf 'ab\\000cd'")), 0);
        QVERIFY(r.WaitFinished());
        QCOMPARE(r.output, QStringList{QStringLiteral("ab")});
    }

    // Chunks below the threshold reach only the output box, never the progress handler.
    void threshold_data()
    {
        QTest::addColumn<int>("threshold");
        QTest::newRow("encoder") << int(TProcessRunner::EncoderThreshold);
        QTest::newRow("transcoder") << int(TProcessRunner::TranscoderThreshold);
    }
    void threshold()
    {
        QFETCH(int, threshold);
        TProcessRunner runner;
        Recorder r(runner);
        // Five separate writes can make at most five chunks.
        runner.RunTool(TProcessRunner::Encoder,
                       Shell(QStringLiteral("for i in 1 2 3 4 5; do echo Pos: $i.0s; sleep 0.05; done")), threshold);
        QVERIFY(r.WaitFinished());
        const int chunks = r.output.size(); // one output signal a chunk
        QVERIFY(chunks >= 1 && chunks <= 5);
        QList<int> expected;
        for (int i = threshold; i < chunks; ++i)
            expected << i;
        QCOMPARE(r.progressIndexes, expected);
    }

    void reportsTheExitStatus()
    {
        TProcessRunner runner;
        Recorder r(runner);
        runner.RunTool(TProcessRunner::Transcoder, Shell(QStringLiteral("echo failing; exit 3")), 2);
        QVERIFY(r.WaitFinished());
        QCOMPARE(r.Result().ExitCode, 3);
        QVERIFY(!r.Result().Crashed);
        QVERIFY(!r.Result().Succeeded());
    }

    void argumentsArriveWhole()
    {
        TProcessRunner runner;
        Recorder r(runner);
        runner.RunTool(TProcessRunner::Encoder,
                       Shell(QStringLiteral("printf '[%s]\\n' \"$@\""), Strings({"a b", "q\"uote", "Ünï *", "$HOME"})),
                       0);
        QVERIFY(r.WaitFinished());
        QCOMPARE(r.output.join(QString()), QStringLiteral("[a b]\n[q\"uote]\n[Ünï *]\n[$HOME]\n"));
    }

    void killEndsTheChildAtOnce()
    {
        TProcessRunner runner;
        Recorder r(runner);
        runner.RunTool(TProcessRunner::Encoder, Shell(QStringLiteral("exec sleep 30")), 0);
        QVERIFY(r.started.wait(5000));
        QElapsedTimer clock;
        clock.start();
        runner.KillTranscoder(); // the other slot: nothing to end
        QVERIFY(runner.IsRunning(TProcessRunner::Encoder));
        runner.KillEncoder();
        QVERIFY(r.WaitFinished(5000));
        QVERIFY(clock.elapsed() < 3000);
        QVERIFY(r.Result().Crashed);
        QVERIFY(!runner.IsRunning(TProcessRunner::Encoder));
        // Once more, after the end: harmless.
        runner.KillEncoder();
        QTest::qWait(50);
        QCOMPARE(r.finished.size(), 1);
    }

    void killWithoutChildChangesNothing()
    {
        TProcessRunner runner;
        Recorder r(runner);
        runner.KillEncoder();
        runner.KillTranscoder();
        QTest::qWait(20);
        QVERIFY(r.finished.isEmpty() && r.failed.isEmpty());
    }

    // Closing the program: the children go at once and are reaped, and say nothing more.
    void stopAllLeavesNoChild()
    {
        TProcessRunner runner;
        Recorder r(runner);
        QSignalSpy started(&runner, &TProcessRunner::ToolStarted);
        runner.RunTool(TProcessRunner::Encoder, Shell(QStringLiteral("exec sleep 30")), 0);
        runner.RunTool(TProcessRunner::Transcoder, Shell(QStringLiteral("exec sleep 30")), 0);
        QTRY_COMPARE(started.size(), 2);
        QVERIFY(runner.IsRunning(TProcessRunner::Encoder) && runner.IsRunning(TProcessRunner::Transcoder));
        const QList<QProcess *> children = runner.findChildren<QProcess *>();
        QList<qint64> pids;
        for (QProcess *p : children)
            pids << p->processId();
        QCOMPARE(pids.size(), 2);
        runner.StopAll();
        for (qint64 pid : std::as_const(pids))
            QVERIFY2(!ProcessExists(pid), qPrintable(QString::number(pid)));
        QTest::qWait(50);
        QVERIFY(r.finished.isEmpty());
    }

    void missingProgramFailsToStart_data()
    {
        QTest::addColumn<bool>("danglingLink");
        QTest::newRow("no file") << false;
        QTest::newRow("link to nothing") << true;
    }
    void missingProgramFailsToStart()
    {
        QFETCH(bool, danglingLink);
        QTemporaryDir dir;
        const QString program = dir.filePath(QStringLiteral("asapi.dll"));
        if (danglingLink)
            QVERIFY(QFile::link(dir.filePath(QStringLiteral("gone")), program));
        TProcessRunner runner;
        Recorder r(runner);
        TToolCommand command(program);
        command.Add(QStringLiteral("dvd://1"));
        runner.RunEncoderPass(command);
        QVERIFY(!r.failed.isEmpty() || r.failed.wait(5000));
        QCOMPARE(r.failed.first().at(0).value<TProcessRunner::Slot>(), TProcessRunner::Encoder);
        QTest::qWait(50);
        QVERIFY(r.finished.isEmpty());
        QVERIFY(!runner.IsRunning(TProcessRunner::Encoder));
    }

    // A tool reads the system, its own folder and what it is given; it writes only its own
    // files and its private folder, and opens no network socket, whatever its options say.
    void fenceKeepsToolsToTheirFiles_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("script"); // $1 read folder, $2 outside folder, $3 written file
        QTest::addColumn<bool>("allowed");
        QTest::addColumn<bool>("needsFileFence");
        const QString sh = QStringLiteral("/bin/sh"), bash = QStringLiteral("/bin/bash");
        QTest::newRow("its written file") << sh << QStringLiteral("echo x > \"$3\"") << true << false;
        QTest::newRow("a file in its own folder") << sh << QStringLiteral("echo x > made.txt && rm made.txt") << true
                                                 << false;
        QTest::newRow("a file it was given to read") << sh << QStringLiteral("cat \"$1/in.txt\"") << true << false;
        QTest::newRow("a program of the system") << sh << QStringLiteral("ffmpeg -version") << true << false;
        QTest::newRow("a file beside its written one")
            << sh << QStringLiteral("echo x > \"$3.other\"") << false << true;
        QTest::newRow("a file in another folder") << sh << QStringLiteral("echo x > \"$2/new.txt\"") << false << true;
        QTest::newRow("a file it was not given to read")
            << sh << QStringLiteral("cat \"$2/secret.txt\"") << false << true;
        QTest::newRow("over a file it was given to read")
            << sh << QStringLiteral("echo x > \"$1/in.txt\"") << false << true;
        QTest::newRow("a TCP connection") << bash << QStringLiteral("exec 3<>/dev/tcp/127.0.0.1/9") << false << false;
        QTest::newRow("a UDP socket") << bash << QStringLiteral("exec 3<>/dev/udp/127.0.0.1/9") << false << false;
        QTest::newRow("FFmpeg dumping a filter's table outside")
            << sh
            << QStringLiteral("ffmpeg -v error -f lavfi -i sine=d=0.2 -af \"firequalizer=dumpfile=$2/dump.txt\" "
                              "-f null - ; test -e \"$2/dump.txt\"")
            << false << true;
    }
    void fenceKeepsToolsToTheirFiles()
    {
        QFETCH(QString, program);
        QFETCH(QString, script);
        QFETCH(bool, allowed);
        QFETCH(bool, needsFileFence);
        if (needsFileFence && !TToolSandbox::IsFileFenceAvailable())
            QSKIP("This kernel has no Landlock: tools run without a file fence.");
        QTemporaryDir read, outside, work;
        QVERIFY(QDir(work.path()).mkdir(QStringLiteral("tools")));
        QFile in(read.filePath(QStringLiteral("in.txt"))), secret(outside.filePath(QStringLiteral("secret.txt")));
        QVERIFY(in.open(QIODevice::WriteOnly) && in.write("in") == 2);
        QVERIFY(secret.open(QIODevice::WriteOnly) && secret.write("secret") == 6);
        in.close();
        secret.close();

        TProcessRunner runner;
        Recorder r(runner);
        TToolSandbox fence;
        fence.AllowRead(read.path());
        runner.SetFence(fence);
        runner.SetToolFolder(work.filePath(QStringLiteral("tools")));
        TToolCommand command(program);
        command.Add(QStringLiteral("-c")).Add(script).Add(QStringLiteral("sh")).Add(read.path()).Add(outside.path());
        command.AddWritten(work.filePath(QStringLiteral("out.bin")));
        runner.RunTool(TProcessRunner::Encoder, command, 0);
        QVERIFY(r.WaitFinished());
        const QString said = r.output.join(QString());
        QVERIFY2(r.Result().Succeeded() == allowed, qPrintable(said));
        if (!allowed && program.endsWith(u"bash"))
            QVERIFY2(said.contains(QStringLiteral("Permission denied")), qPrintable(said)); // not "refused"
        QCOMPARE(QFileInfo::exists(outside.filePath(QStringLiteral("new.txt"))), false);
        QCOMPARE(QFileInfo::exists(outside.filePath(QStringLiteral("dump.txt"))), false);
    }

    // The pre-pass output is only drained.
    void prepassOutputIsDropped()
    {
        TProcessRunner runner;
        Recorder r(runner);
        runner.RunTitlePrepass(Shell(QStringLiteral("echo Pos: 1.0s; exit 1")));
        QVERIFY(r.WaitFinished());
        QVERIFY(r.output.isEmpty());
        QVERIFY(r.progressIndexes.isEmpty());
        QCOMPARE(r.Result().ExitCode, 1);
    }
};

QTEST_GUILESS_MAIN(TestProcessRunner)
#include "TestProcessRunner.moc"
