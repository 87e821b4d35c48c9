// What --convert's options read as. The refusals are checked on the running program
// (TestBatchConversion), where it also shows that no tool starts.

#include "TestSupport.h"

#include "batch/TBatchOptions.h"

#include <QDir>
#include <QtTest>

Q_DECLARE_METATYPE(TBatchOptions::IfExists)
Q_DECLARE_METATYPE(TBatchOptions::IntermediateKind)

class TestBatchOptions : public QObject
{
    Q_OBJECT
private slots:
    void reads_data()
    {
        QTest::addColumn<QStringList>("arguments"); // after "quarnel"
        QTest::addColumn<QString>("dvd");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("profile");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QList<int>>("indexes"); // audio, subtitle, angle
        QTest::addColumn<QStringList>("trim");
        QTest::addColumn<TBatchOptions::IfExists>("existing");
        QTest::addColumn<TBatchOptions::IntermediateKind>("intermediate");

        using E = TBatchOptions::IfExists;
        using I = TBatchOptions::IntermediateKind;
        QTest::newRow("only the path: everything as the window has it")
            << Strings({"--convert", "/dvd"}) << QStringLiteral("/dvd") << QString() << QString() << QStringList()
            << QList<int>{0, 0, 0} << Strings({"", ""}) << E::FromPreferences << I::FromPreferences;
        QTest::newRow("every option, in any order")
            << Strings({"--output",  "/out",     "--entries",   "Title02,Title01-Chapter03",
                        "--convert", "/dvd",     "--profile",   "MP4 - H.264 Video",
                        "--audio",   "1",        "--subtitle",  "2",
                        "--angle",   "3",        "--start",     "00:00:10",
                        "--end",     "00:01:00", "--if-exists", "skip"})
            << QStringLiteral("/dvd") << QStringLiteral("/out") << QStringLiteral("MP4 - H.264 Video")
            << Strings({"Title02", "Title01-Chapter03"}) << QList<int>{1, 2, 3} << Strings({"00:00:10", "00:01:00"})
            << E::Skip << I::FromPreferences;
        QTest::newRow("name=value, blanks and repeats in the list")
            << Strings({"--convert=/dvd", "--entries= Title01 ,,Title01,Title03,", "--if-exists=rename", "--audio=0"})
            << QStringLiteral("/dvd") << QString() << QString() << Strings({"Title01", "Title03"})
            << QList<int>{0, 0, 0} << Strings({"", ""}) << E::Rename << I::FromPreferences;
        QTest::newRow("relative paths are made absolute where the program starts")
            << Strings({"--convert", "disc", "--output", "out/", "--if-exists", "overwrite"})
            << QDir::current().filePath(QStringLiteral("disc")) << QDir::current().filePath(QStringLiteral("out/"))
            << QString() << QStringList() << QList<int>{0, 0, 0} << Strings({"", ""}) << E::Overwrite
            << I::FromPreferences;
        QTest::newRow("ask") << Strings({"--convert", "/dvd", "--if-exists", "ask"}) << QStringLiteral("/dvd")
                             << QString() << QString() << QStringList() << QList<int>{0, 0, 0} << Strings({"", ""})
                             << E::Ask << I::FromPreferences;
        for (const auto &[word, kind] :
             {std::pair{"streamed", I::Streamed}, std::pair{"high", I::High}, std::pair{"bitrate", I::ProfileBitrate}})
            QTest::newRow(word) << Strings({"--convert", "/dvd", "--intermediate", word}) << QStringLiteral("/dvd")
                                << QString() << QString() << QStringList() << QList<int>{0, 0, 0} << Strings({"", ""})
                                << E::FromPreferences << kind;
    }
    void reads()
    {
        QFETCH(QStringList, arguments);
        TBatchOptions options;
        QString error;
        QVERIFY2(TBatchOptions::Parse(QStringList{QStringLiteral("quarnel")} + arguments, options, error),
                 qPrintable(error));
        QTEST(options.DvdPath, "dvd");
        QTEST(options.OutputDir, "output");
        QTEST(options.Profile, "profile");
        QTEST(options.Entries, "entries");
        QTEST((QList<int>{options.Audio, options.Subtitle, options.Angle}), "indexes");
        QTEST((QStringList{options.Start, options.End}), "trim");
        QTEST(options.Existing, "existing");
        QTEST(options.Intermediate, "intermediate");
    }

    // --audio: the first track, the others in the order given (repeats dropped), or all.
    void audioLists_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("first"); // -1: refused
        QTest::addColumn<QList<int>>("more");
        QTest::addColumn<bool>("all");
        QTest::newRow("one") << QStringLiteral("1") << 1 << QList<int>{} << false;
        QTest::newRow("in the order given") << QStringLiteral("2,0") << 2 << QList<int>{0} << false;
        QTest::newRow("repeats and blanks") << QStringLiteral("1, 1,3 ,1") << 1 << QList<int>{3} << false;
        QTest::newRow("all") << QStringLiteral("all") << 0 << QList<int>{} << true;
        QTest::newRow("a word") << QStringLiteral("first") << -1 << QList<int>{} << false;
        QTest::newRow("a negative one") << QStringLiteral("1,-1") << -1 << QList<int>{} << false;
        QTest::newRow("an empty item") << QStringLiteral("1,,2") << -1 << QList<int>{} << false;
    }
    void audioLists()
    {
        QFETCH(QString, value);
        QFETCH(int, first);
        TBatchOptions options;
        QString error;
        const bool read = TBatchOptions::Parse(
            {QStringLiteral("quarnel"), QStringLiteral("--convert"), QStringLiteral("/dvd"), QStringLiteral("--audio"),
             value},
            options, error);
        QCOMPARE(read, first >= 0);
        if (!read) {
            QVERIFY2(error.startsWith(QStringLiteral("--audio takes \"all\" or whole numbers")), qPrintable(error));
            return;
        }
        QCOMPARE(options.Audio, first);
        QTEST(options.MoreAudio, "more");
        QTEST(options.AllAudio, "all");
    }
};

QTEST_GUILESS_MAIN(TestBatchOptions)
#include "TestBatchOptions.moc"
