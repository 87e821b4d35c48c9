#include "ConversionFixture.h"
#include "ConvertTestSupport.h"
#include "FakePowerManager.h"
#include "FileSizeLimit.h"
#include "TestSupport.h"

#include "convert/run/FreeSpace.h"
#include "convert/run/TConversionRun.h"
#include "core/AppFolders.h"
#include "core/TDVDInformation.h"
#include "core/TimeText.h"
#include "dvd/DvdTitleLoader.h"
#include "profiles/TIniFile.h"
#include "profiles/TProfile.h"
#include "tasklist/TTaskListModel.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// Tools that hang, chatter, end early or fail: an honest failure, nothing left behind.
class TestConvertFailures : public ConversionFixture
{
    Q_OBJECT
private slots:
    // Tools that hang, die, or end well with a broken file: each entry fails with its reason,
    // nothing carries the target's name, no hidden file stays, no process is left.
    void brokenToolsFailHonestly_data()
    {
        QTest::addColumn<QString>("encoder"); // script body, empty: the real MEncoder
        QTest::addColumn<QString>("transcoder"); // script body, empty: the real FFmpeg
        QTest::addColumn<qint64>("fileLimit"); // bytes a process may write, 0: no limit
        QTest::addColumn<QString>("reason"); // the start of the reason
        QTest::addColumn<bool>("streamed"); // both tools at once, joined by a pipe
        // The pre-pass is the encoder run without -ovc; the check reads files with -f framecrc.
        const QString probeToFfmpeg = QStringLiteral("case \"$*\" in *framecrc*) exec ffmpeg \"$@\";; esac\n");
        const QString target = QStringLiteral("eval target=\\${$#}\n");
        QTest::newRow("encoder hangs") << QStringLiteral(
            "case \"$*\" in *-ovc*) ;; *) exit 1;; esac\n"
            "echo 'Pos:   0.5s     12f'\nsleep 300 &\necho $! > \"$QUARNEL_TEST_PIDS\"\nsleep 300\n")
                                       << QString() << qint64(0) << QStringLiteral("the encoder stopped responding")
                                       << false;
        QTest::newRow("converter hangs") << QString()
                                         << probeToFfmpeg
                                                + QStringLiteral(
                                                    "echo 'size= 1kB time=00:00:00.10 bitrate=1kbits/s'\nsleep 300 &\n"
                                                    "echo $! > \"$QUARNEL_TEST_PIDS\"\nsleep 300\n")
                                         << qint64(0) << QStringLiteral("the converter stopped responding") << false;
        QTest::newRow("converter dies while writing")
            << QString()
            << probeToFfmpeg + target + QStringLiteral("head -c 100000 /dev/urandom > \"$target\"\nkill -9 $$\n")
            << qint64(0) << QStringLiteral("the converter stopped abnormally") << false;
        QTest::newRow("converter ends well with an empty file")
            << QString() << probeToFfmpeg + target + QStringLiteral(": > \"$target\"\nexit 0\n") << qint64(0)
            << QStringLiteral("the file is empty") << false;
        QTest::newRow("converter ends well with a short file")
            << QString()
            << probeToFfmpeg + target + QStringLiteral("n=$(($# - 1))\nexec ffmpeg \"${@:1:$n}\" -t 1 \"$target\"\n")
            << qint64(0) << QStringLiteral("the file is 1.0 s of 4.0 s") << false;
        QTest::newRow("converter fails on a full disk")
            << QString()
            << probeToFfmpeg
                   + QStringLiteral("echo 'Error writing trailer of out.mkv: No space left on device' >&2\nexit 1\n")
            << qint64(0)
            << QStringLiteral(
                   "the converter ended with status 1: Error writing trailer of out.mkv: No space left on device")
            << false;
        // A work folder that fills up: MEncoder ends well with a cut-short file.
        QTest::newRow("encoder's disk fills up")
            << QString() << QString() << qint64(150000) << QStringLiteral("the picture ends at 0:00:0") << false;
        const QString encoderPassOnly = QStringLiteral("case \"$*\" in *-ovc*) ;; *) exit 1;; esac\n");
        // Output without a progress figure is no sign of life, however much of it comes.
        QTest::newRow("encoder chatters without a figure")
            << encoderPassOnly + QStringLiteral("exec yes chatter\n") << QString() << qint64(0)
            << QStringLiteral("the encoder stopped responding") << false;
        QTest::newRow("converter chatters without a figure")
            << QString() << probeToFfmpeg + QStringLiteral("exec yes chatter\n") << qint64(0)
            << QStringLiteral("the converter stopped responding") << false;
        QTest::newRow("streamed: converter chatters without a figure")
            << QString() << probeToFfmpeg + QStringLiteral("exec yes chatter\n") << qint64(0)
            << QStringLiteral("the converter stopped responding") << true;
        QTest::newRow("streamed: converter dies")
            << QString()
            << probeToFfmpeg
                   + QStringLiteral("head -c 1000000 \"$3\" > /dev/null\necho 'Conversion failed!' >&2\nexit 1\n")
            << qint64(0) << QStringLiteral("the converter ended with status 1: Conversion failed!") << true;
    }

    void brokenToolsFailHonestly()
    {
        QFETCH(QString, encoder);
        QFETCH(QString, transcoder);
        QFETCH(qint64, fileLimit);
        QFETCH(QString, reason);
        QFETCH(bool, streamed);
        QVERIFY(LinkTools(m_program->path()));
        QTemporaryDir pids;
        SetToolNotes(pids.filePath(QStringLiteral("pid")));
        if (!encoder.isEmpty())
            WriteTool(QStringLiteral("asapi.dll"), encoder);
        if (!transcoder.isEmpty())
            WriteTool(QStringLiteral("wmaspi.dll"), transcoder);
        Open(QStringLiteral("pal-simple"));
        Choice span;
        span.start = QStringLiteral("00:00:01");
        span.end = QStringLiteral("00:00:05");
        Check(span);
        TConversionRequest request = Request(QStringLiteral("MKV - Matroska Video"), {});
        request.Preferences.StallSeconds = 2;
        request.Preferences.StreamedIntermediate = streamed;
        TConversionRun::Outcome outcome;
        {
            std::unique_ptr<FileSizeLimit> limit;
            if (fileLimit > 0)
                limit = std::make_unique<FileSizeLimit>(rlim_t(fileLimit));
            outcome = RunToEnd(request);
        }
        QCOMPARE(outcome, TConversionRun::Outcome::Completed);
        QCOMPARE(m_run->Failures().size(), 1);
        const QString got = m_run->Failures().first().Reason;
        QVERIFY2(got.startsWith(reason), qPrintable(got));
        QCOMPARE(m_host->Texts().size(), 1);
        QVERIFY(m_host->Texts().first().startsWith(QStringLiteral("1 file could not be made:\n")
                                                   + m_out->filePath(QStringLiteral("Title01.mkv (")) + reason));
        QVERIFY(m_run->MadeFiles().isEmpty());
        QCOMPARE(QDir(m_out->path()).entryList(QDir::Files | QDir::Hidden), QStringList());
        QCOMPARE(QDir(m_work->path()).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList());
        QFile pidFile(pids.filePath(QStringLiteral("pid")));
        if (pidFile.open(QIODevice::ReadOnly)) {
            // What the hung tool started went with it.
            const QByteArray pid = pidFile.readAll().trimmed();
            QTRY_VERIFY2(!QFileInfo::exists(QStringLiteral("/proc/") + QString::fromLatin1(pid)), pid.constData());
        }
        SetToolNotes(QString());
    }

    // What a tool starts goes with its pass, however the pass ends: here a pre-pass that
    // chatters forever (ended as hung; the run goes on without it) and a converter that does
    // its work and leaves a child running. The entry is made within the stall time of the
    // pre-pass plus the conversion, and no process is left.
    void toolsLeaveNothingBehind()
    {
        QVERIFY(LinkTools(m_program->path()));
        QTemporaryDir pids;
        SetToolNotes(pids.filePath(QStringLiteral("pid")));
        WriteTool(QStringLiteral("asapi.dll"), QStringLiteral("case \"$*\" in *-ovc*) exec mencoder \"$@\";; esac\n"
                                                              "exec yes chatter\n"));
        WriteTool(QStringLiteral("wmaspi.dll"),
                  QStringLiteral("sleep 300 &\necho $! >> \"$QUARNEL_TEST_PIDS\"\n"
                                 "case \"$*\" in *framecrc*) ;; *) pwd >> \"$QUARNEL_TEST_PIDS.pwd\";; esac\n"
                                 "ffmpeg \"$@\"\n"));
        Open(QStringLiteral("pal-simple"));
        Check(Choice());
        TConversionRequest request = Request(QStringLiteral("MKV - Matroska Video"), {});
        request.Preferences.StallSeconds = 2;
        request.Preferences.StreamedIntermediate = false;
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(RunToEnd(request), TConversionRun::Outcome::Completed);
        QVERIFY2(m_run->Failures().isEmpty(), qPrintable(FailureReport(m_run->Failures())));
        QCOMPARE(m_run->MadeFiles().size(), 1);
        QVERIFY2(clock.elapsed() < 60000, qPrintable(QString::number(clock.elapsed())));
        QFile pidFile(pids.filePath(QStringLiteral("pid")));
        QVERIFY(pidFile.open(QIODevice::ReadOnly));
        const QList<QByteArray> started = pidFile.readAll().trimmed().split('\n');
        QVERIFY(!started.isEmpty());
        for (const QByteArray &pid : started)
            QTRY_VERIFY2(!QFileInfo::exists(QStringLiteral("/proc/") + QString::fromLatin1(pid)), pid.constData());
        // Every converter run had a private folder of the run's in the work folder for its
        // current folder, gone with the run.
        QFile folders(pids.filePath(QStringLiteral("pid.pwd")));
        QVERIFY(folders.open(QIODevice::ReadOnly));
        for (const QByteArray &folder : folders.readAll().trimmed().split('\n')) {
            const QFileInfo info(QString::fromLocal8Bit(folder));
            QVERIFY2(info.fileName().startsWith(QStringLiteral(".quarnel-tools.")), folder.constData());
            QCOMPARE(QFileInfo(info.absolutePath()).canonicalFilePath(), QFileInfo(m_work->path()).canonicalFilePath());
            QVERIFY2(!info.exists(), folder.constData());
        }
        SetToolNotes(QString());
    }

    // A subtitle line far ahead moves the converter's time there, and it stands still while
    // the pictures catch up (lines minutes apart): pictures still being written are no stall.
    void timeAheadWhilePicturesGoOnIsNoStall()
    {
        QVERIFY(LinkTools(m_program->path()));
        WriteTool(QStringLiteral("wmaspi.dll"),
                  QStringLiteral("case \"$*\" in *framecrc*) exec ffmpeg \"$@\";; esac\n"
                                 "for i in 1 2 3 4 5 6 7 8 9 10 11 12; do\n"
                                 "  printf 'frame=%5d fps=25 q=28.0 size=1kB time=00:01:40.00 bitrate=1kbits/s "
                                 "speed=1x\\r' $((i * 10)) >&2; sleep 0.5\n"
                                 "done\nexec ffmpeg \"$@\"\n"));
        Open(QStringLiteral("pal-simple"));
        Choice span;
        span.end = QStringLiteral("00:00:02");
        Check(span);
        TConversionRequest request = Request(QStringLiteral("MKV - Matroska Video"), {});
        request.Preferences.StallSeconds = 2;
        QCOMPARE(RunToEnd(request), TConversionRun::Outcome::Completed);
        QVERIFY2(m_run->Failures().isEmpty(), qPrintable(FailureReport(m_run->Failures())));
        QCOMPARE(m_run->MadeFiles().size(), 1);
    }

    // After its last figure FFmpeg may move the index to the file's front (faststart) without
    // a word for longer than the watchdog waits: still writing or still working is not hung;
    // working without writing is, after a few stall times.
    void quietFinishIsNotAStall_data()
    {
        QTest::addColumn<QString>("finish"); // what the converter does after encoding, for 4 s
        QTest::addColumn<QString>("reason"); // empty: the file is made
        QTest::newRow("rewriting its file")
            << QStringLiteral("for i in 1 2 3 4 5 6 7 8; do sleep 0.5; "
                              "dd if=\"$target\" of=\"$target\" bs=4096 count=1 conv=notrunc 2>/dev/null; done\n")
            << QString();
        QTest::newRow("working") << QStringLiteral("end=$((SECONDS + 4)); while [ $SECONDS -lt $end ]; do :; done\n")
                                 << QString();
        QTest::newRow("neither: hung") << QStringLiteral("sleep 4\n")
                                       << QStringLiteral("the converter stopped responding");
        // As MEncoder does on damaged data near a span's end: all processor, no file.
        QTest::newRow("working on and on without writing")
            << QStringLiteral("end=$((SECONDS + 40)); while [ $SECONDS -lt $end ]; do :; done\n")
            << QStringLiteral("the converter stopped responding");
    }
    void quietFinishIsNotAStall()
    {
        QFETCH(QString, finish);
        QFETCH(QString, reason);
        QVERIFY(LinkTools(m_program->path()));
        WriteTool(QStringLiteral("wmaspi.dll"), QStringLiteral("case \"$*\" in *framecrc*) exec ffmpeg \"$@\";; esac\n"
                                                               "eval target=\\${$#}\nffmpeg \"$@\" || exit $?\n")
                                                    + finish);
        Open(QStringLiteral("pal-simple"));
        Choice span;
        span.end = QStringLiteral("00:00:04");
        Check(span);
        TConversionRequest request = Request(QStringLiteral("MKV - Matroska Video"), {});
        request.Preferences.StallSeconds = 2;
        QCOMPARE(RunToEnd(request), TConversionRun::Outcome::Completed);
        if (reason.isEmpty()) {
            QVERIFY2(m_run->Failures().isEmpty(), qPrintable(FailureReport(m_run->Failures())));
            QCOMPARE(m_run->MadeFiles().size(), 1);
        } else {
            QCOMPARE(m_run->Failures().size(), 1);
            QVERIFY2(m_run->Failures().first().Reason.startsWith(reason), qPrintable(m_run->Failures().first().Reason));
        }
    }
};

QTEST_GUILESS_MAIN(TestConvertFailures)
#include "TestConvertFailures.moc"
