#include "convert/tools/ToolOutput.h"

#include <QtTest>

// The two progress markers as the installed tools write them, and what must not move them.
class TestToolOutput : public QObject
{
    Q_OBJECT
private slots:
    void encoderPosition_data()
    {
        QTest::addColumn<QString>("chunk");
        QTest::addColumn<bool>("found");
        QTest::addColumn<double>("seconds");
        QTest::newRow("status line") << QStringLiteral("Pos:  12.3s    309f ( 4%)  0.00fps Trem:   0min") << true
                                     << 12.3;
        QTest::newRow("no blanks") << QStringLiteral("Pos:7.0s") << true << 7.0;
        QTest::newRow("first of several lines")
            << QStringLiteral("Pos:   1.7s     44f (58%)\rPos:   1.8s     45f (58%)\rPos:   1.9s") << true << 1.7;
        QTest::newRow("after other output")
            << QStringLiteral("1 duplicate frame(s)!\nPos:   0.1s      3f (24%)") << true << 0.1;
        QTest::newRow("no marker") << QStringLiteral("Writing header...\nODML: vprp aspect is 16384:13107.") << false
                                   << 0.0;
        QTest::newRow("no closing s") << QStringLiteral("Pos:  12.3") << false << 0.0;
        // The "s" ends the number wherever it comes; what stands before it must be a number.
        QTest::newRow("not a number") << QStringLiteral("Pos: abc 1.0s") << false << 0.0;
        QTest::newRow("comma is no point") << QStringLiteral("Pos: 1,5s") << false << 0.0;
        QTest::newRow("cut in the middle")
            << QStringLiteral("f (58%)  0.00fps Trem:   0min   0mb  A-V:0.028 [1016:47]\rPo") << false << 0.0;
    }
    void encoderPosition()
    {
        QFETCH(QString, chunk);
        QFETCH(bool, found);
        QFETCH(double, seconds);
        double value = -99;
        QCOMPARE(ParseEncoderPosition(chunk, value), found);
        QCOMPARE(value, found ? seconds : -99.0);
    }

    void transcoderTime_data()
    {
        QTest::addColumn<QString>("chunk");
        QTest::addColumn<bool>("found");
        QTest::addColumn<double>("seconds");
        QTest::newRow("plain seconds") << QStringLiteral(
            "frame=  100 fps=0.0 q=2.0 size=  256kB time=4.00 bitrate= 524.3kbits/s")
                                       << true << 4.0;
        QTest::newRow("clock") << QStringLiteral(
            "frame=   51 fps=0.0 q=-1.0 Lsize=  143kB time=00:01:02.50 bitrate= 580.2kbits/s")
                               << true << 62.5;
        QTest::newRow("clock with hours") << QStringLiteral("time=01:00:00.04 bitrate=") << true << 3600.04;
        QTest::newRow("at the end of the chunk") << QStringLiteral("size=  256kB time=00:00:02.02") << true << 2.02;
        QTest::newRow("first of two") << QStringLiteral("time=00:00:01.00 x\rtime=00:00:02.00 x") << true << 1.0;
        // Metadata that merely holds the word comes before the status line.
        QTest::newRow("after creation_time")
            << QStringLiteral("    creation_time   : 2024-01-01T00:00:00\nsize=1kB time=00:00:00.55 bitrate=") << true
            << 0.55;
        QTest::newRow("not known yet") << QStringLiteral("size=       0kB time=N/A bitrate=N/A") << false << 0.0;
        QTest::newRow("negative at the start")
            << QStringLiteral("size=  0kB time=-00:00:00.04 bitrate=") << false << 0.0;
        QTest::newRow("no marker") << QStringLiteral(
            "Stream mapping:\n  Stream #0:0 -> #0:0 (mpeg4 (native) -> h264 (libx264))")
                                   << false << 0.0;
        QTest::newRow("empty value") << QStringLiteral("time= 12") << false << 0.0;
        QTest::newRow("bad clock") << QStringLiteral("time=00:0a:01.00 ") << false << 0.0;
    }
    void transcoderTime()
    {
        QFETCH(QString, chunk);
        QFETCH(bool, found);
        QFETCH(double, seconds);
        double value = -99;
        QCOMPARE(ParseTranscoderTime(chunk, value), found);
        if (found)
            QVERIFY2(qAbs(value - seconds) < 1e-9, qPrintable(QString::number(value)));
        else
            QCOMPARE(value, -99.0);
    }

    // The words a failed tool leaves for the reason of a failed entry.
    void lastErrorLine_data()
    {
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("line");
        QTest::newRow("full disk after the status lines")
            << QStringLiteral(
                   "frame=  120 fps=60 q=2.0 size=    1024kB time=00:00:04.80 bitrate=1747.6kbits/s\r"
                   "av_interleaved_write_frame(): No space left on device\n"
                   "frame=  121 fps=60 q=2.0 size=    1024kB time=00:00:04.84 bitrate=1733.2kbits/s\r"
                   "Error writing trailer of /out/Title01.mp4: No space left on device\n"
                   "frame=  121 fps=60 q=2.0 Lsize=    1024kB time=00:00:04.84 bitrate=1733.2kbits/s speed=2x\n"
                   "video:1000kB audio:20kB subtitle:0kB other streams:0kB global headers:0kB\n")
            << QStringLiteral("Error writing trailer of /out/Title01.mp4: No space left on device");
        QTest::newRow("permission") << QStringLiteral(
            "Input #0, avi, from '/work/temp.avi':\n/out/Title01.mp4: Permission denied\n")
                                    << QStringLiteral("/out/Title01.mp4: Permission denied");
        QTest::newRow("encoder status lines only")
            << QStringLiteral("Pos:   1.7s     44f (58%)\rPos:   1.8s     45f (58%)\r") << QString();
        QTest::newRow("nothing that reads as an error: the last plain line")
            << QStringLiteral("Opening video filter: [expand]\nPos:   1.8s     45f\rVideo stream: 800 kbit/s\n")
            << QStringLiteral("Video stream: 800 kbit/s");
        QTest::newRow("empty") << QString() << QString();
    }
    void lastErrorLine()
    {
        QFETCH(QString, output);
        QFETCH(QString, line);
        QCOMPARE(LastErrorLine(output), line);
    }
};

QTEST_GUILESS_MAIN(TestToolOutput)
#include "TestToolOutput.moc"
