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
};

QTEST_GUILESS_MAIN(TestBatchOptions)
#include "TestBatchOptions.moc"
