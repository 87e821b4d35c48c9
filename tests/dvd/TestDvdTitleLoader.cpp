// DVD folders into task-list entries: the generated discs, copies of them damaged on
// purpose, and title sets made by hand for the time arithmetic.

#include "TestSupport.h"

#include "core/EQuarnelError.h"
#include "core/TDVDInformation.h"
#include "core/TimeText.h"
#include "dvd/DvdTitleLoader.h"
#include "tasklist/TTaskListModel.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <sys/stat.h>

namespace {

QString Disc(const QString &name)
{
    return TestDvdsDir() + QLatin1Char('/') + name;
}

void CopyFolder(const QString &from, const QString &to)
{
    QVERIFY2(QDir().mkpath(to), qPrintable(to));
    for (const QFileInfo &info : QDir(from).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString target = to + QLatin1Char('/') + info.fileName();
        if (info.isDir())
            CopyFolder(info.filePath(), target);
        else
            QVERIFY2(QFile::copy(info.filePath(), target), qPrintable(target));
    }
}

// A copy of a generated disc that a test may damage.
struct DiscCopy
{
    explicit DiscCopy(const QString &name, const QString &subfolder = QStringLiteral("disc"))
        : root(dir.path() + QLatin1Char('/') + subfolder)
    {
        CopyFolder(Disc(name), root);
    }
    QString file(const QString &name) const { return root + QStringLiteral("/VIDEO_TS/") + name; }

    QTemporaryDir dir;
    QString root;
};

QList<const TTaskNodeData *> Titles(const TTaskListModel &list)
{
    QList<const TTaskNodeData *> titles;
    for (int t = 0; t < list.rowCount(); ++t)
        titles << list.Entry(list.index(t, 0));
    return titles;
}

QList<const TTaskNodeData *> Chapters(const TTaskListModel &list, int titleRow)
{
    QList<const TTaskNodeData *> chapters;
    const QModelIndex title = list.index(titleRow, 0);
    for (int c = 0; c < list.rowCount(title); ++c)
        chapters << list.Entry(list.index(c, 0, title));
    return chapters;
}

// Everything the list holds, one line per entry, to compare two openings.
QStringList Dump(const TTaskListModel &list)
{
    QStringList lines;
    for (const QModelIndex &i : list.AllEntries()) {
        const TTaskNodeData &e = *list.Entry(i);
        lines << QStringLiteral("%1|%2|%3|%4|%5|%6|%7|%8|%9")
                         .arg(e.Caption, e.ShortName, e.OrigStartText, e.OrigEndText, e.OutputName, e.FrameSize,
                              e.Aspect,
                              e.AudioTracks.join(QLatin1Char(',')) + QLatin1Char('/')
                                  + e.AudioLanguages.join(QLatin1Char(',')),
                              e.Subtitles.join(QLatin1Char(',')))
                     + QStringLiteral("|%1|%2|%3").arg(e.Number).arg(e.ChapterIndex).arg(e.AngleCount);
    }
    return lines;
}

void Overwrite(const QString &file, const QByteArray &bytes)
{
    QFile f(file);
    QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(file));
    f.write(bytes);
}

QByteArray ReadAll(const QString &file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A title-set file spoilt as copies get spoilt, or something else put in its place.
void Damage(const QString &file, const QString &how)
{
    if (how == QLatin1String("gone") || how == QLatin1String("fifo") || how == QLatin1String("folder")
        || how == QLatin1String("device")) {
        QVERIFY(QFile::remove(file));
        if (how == QLatin1String("fifo"))
            QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0644), 0);
        else if (how == QLatin1String("folder"))
            QVERIFY(QDir().mkdir(file));
        else if (how == QLatin1String("device"))
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), file));
        return;
    }
    QByteArray bytes = ReadAll(file);
    QVERIFY(bytes.size() > 0x1000);
    QRandomGenerator random(4711);
    if (how == QLatin1String("empty")) {
        bytes.clear();
    } else if (how == QLatin1String("cut")) {
        bytes.truncate(0x1100); // a partial sector: the library sees the first two
    } else if (how == QLatin1String("parts")) {
        bytes.replace(0xc8, 4, QByteArray::fromHex("00001000")); // the part-of-title table's sector
    } else {
        for (qsizetype i = how == QLatin1String("random") ? 0 : 0x100; i < bytes.size(); ++i)
            bytes[i] = char(random.bounded(256));
    }
    Overwrite(file, bytes);
}

QStringList EndTexts(std::initializer_list<int> seconds)
{
    QStringList texts;
    for (int s : seconds)
        texts << SecondsToTimeText(s);
    return texts;
}

// One title set with one chain whose programs have the given start and length texts.
TIFO HandMadeTitleSet(const QStringList &starts, const QStringList &lengths)
{
    TIFO ifo;
    ifo.Vobs.VideoStream = {QStringLiteral("4:3"), QStringLiteral("PAL"), QStringLiteral("MPEG2"),
                            QStringLiteral("720x576")};
    TProgramChain chain;
    chain.ProgramCount = quint8(starts.size());
    chain.CellCount = chain.ProgramCount;
    chain.PlaybackTime = QStringLiteral("1:00:00.000");
    chain.ChapterStarts = starts;
    chain.ChapterDurations = lengths;
    ifo.Pgci.ProgramChains << chain;
    ifo.Pgci.ProgramChainCount = 1;
    return ifo;
}

} // namespace

class TestDvdTitleLoader : public QObject
{
    Q_OBJECT

private slots:
    void init() { DvdInfo = TDVDInformation(); }

    void discs_data();
    void discs();
    void numberedNames_data();
    void numberedNames();
    void streams_data();
    void streams();
    void chapterTimes_data();
    void chapterTimes();
    void chapterNumbering();
    void chainThatNamesNothing_data();
    void chainThatNamesNothing();
    void lastTitleDecidesStandard_data();
    void lastTitleDecidesStandard();
    void folderForms_data();
    void folderForms();
    void pathWithOddCharacters();
    void longestTitleOfDisc();
    void longestTitleRule_data();
    void longestTitleRule();
    void damagedTitleSet_data();
    void damagedTitleSet();
    void titleWithoutPartOrLength_data();
    void titleWithoutPartOrLength();
    void randomTableDamage();
    void unreadableDvd_data();
    void unreadableDvd();
    void missingIfoReadsBackup();
    void notADvd_data();
    void notADvd();
};

void TestDvdTitleLoader::discs_data()
{
    QTest::addColumn<QString>("disc");
    QTest::addColumn<QString>("attributes");
    QTest::addColumn<QString>("frameSize");
    QTest::addColumn<QString>("aspect");
    QTest::addColumn<QString>("standard");
    QTest::addColumn<double>("frameRateFactor");
    QTest::addColumn<QStringList>("ends");
    QTest::addColumn<QList<int>>("chapters");

    const QString pal169 = QStringLiteral("[MPEG2 720x576 PAL 16:9]");
    QTest::newRow("pal-simple") << "pal-simple" << pal169 << "720:576"
                                << "16:9"
                                << "PAL" << 25000.0 << EndTexts({6}) << QList<int>{3};
    QTest::newRow("ntsc-multi") << "ntsc-multi"
                                << "[MPEG2 720x480 NTSC 4:3]"
                                << "720:480"
                                << "4:3"
                                << "NTSC" << 29970.0 << EndTexts({6, 4, 3, 6, 4}) << QList<int>{3, 2, 1, 3, 2};
    QTest::newRow("pal-twolang") << "pal-twolang"
                                 << "[MPEG2 720x576 PAL 4:3]"
                                 << "720:576"
                                 << "4:3"
                                 << "PAL" << 25000.0 << EndTexts({4, 4, 4}) << QList<int>{2, 2, 2};
    QTest::newRow("pal-threelang") << "pal-threelang" << pal169 << "720:576"
                                   << "16:9"
                                   << "PAL" << 25000.0 << EndTexts({3, 3}) << QList<int>{1, 1};
    QTest::newRow("many-titles") << "many-titles" << pal169 << "720:576"
                                 << "16:9"
                                 << "PAL" << 25000.0 << EndTexts({2, 3, 4, 2, 3, 4, 2, 3, 4, 2, 3, 4})
                                 << QList<int>{2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3, 1};
}

void TestDvdTitleLoader::discs()
{
    QFETCH(QString, disc);
    QFETCH(QString, attributes);
    QFETCH(QString, frameSize);
    QFETCH(QString, aspect);
    QFETCH(QString, standard);
    QFETCH(double, frameRateFactor);
    QFETCH(QStringList, ends);
    QFETCH(QList<int>, chapters);

    TTaskListModel list;
    DvdTitleLoader loader;
    loader.LoadDvdTitles(Disc(disc), list);

    QCOMPARE(DvdInfo.Standard, standard);
    QCOMPARE(DvdInfo.FrameRateFactor, frameRateFactor);
    QCOMPARE(DvdInfo.DvdPath, Disc(disc) + QStringLiteral("/VIDEO_TS/"));
    QCOMPARE(DvdInfo.VolumeName, QString());

    const QList<const TTaskNodeData *> titles = Titles(list);
    QCOMPARE(titles.size(), ends.size());
    for (int t = 0; t < titles.size(); ++t) {
        const TTaskNodeData &e = *titles[t];
        const QString name = QStringLiteral("Title%1").arg(t + 1, 2, 10, QLatin1Char('0'));
        QVERIFY(e.IsTitle);
        QCOMPARE(e.Number, t + 1);
        QCOMPARE(e.ChapterIndex, 0);
        QCOMPARE(e.ShortName, name);
        QCOMPARE(e.OutputName, name);
        QCOMPARE(e.Caption, name + QLatin1Char(' ') + attributes);
        QCOMPARE(e.FrameSize, frameSize);
        QCOMPARE(e.Aspect, aspect);
        QCOMPARE(e.OrigStartText, QStringLiteral("00:00:00"));
        QCOMPARE(e.OrigEndText, ends[t]);
        QCOMPARE(e.StartText, e.OrigStartText);
        QCOMPARE(e.EndText, e.OrigEndText);
        QCOMPARE(e.OrigStart, 0.0);
        QCOMPARE(e.OrigEnd, TimeTextToSeconds(ends[t]));
        QCOMPARE(e.Start, e.OrigStart);
        QCOMPARE(e.End, e.OrigEnd);
        QCOMPARE(e.Duration, e.OrigEnd);
        QCOMPARE(e.AngleCount, 1);
        QCOMPARE(e.ImageIndex, 0);
        QCOMPARE(e.AudioIndex + e.AudioLanguageIndex + e.SubtitleIndex + e.AngleIndex, 0);
        QVERIFY(!e.Checked);
        QCOMPARE(e.AudioTracks.size(), e.AudioLanguages.size());

        // Chapters follow each other without gaps and end where the title ends.
        const QList<const TTaskNodeData *> chs = Chapters(list, t);
        QCOMPARE(chs.size(), chapters[t]);
        double at = 0;
        for (int c = 0; c < chs.size(); ++c) {
            const TTaskNodeData &ch = *chs[c];
            const QString chapterName = QStringLiteral("Chapter%1").arg(c + 1, 2, 10, QLatin1Char('0'));
            QVERIFY(!ch.IsTitle);
            QCOMPARE(ch.Number, c + 1);
            QCOMPARE(ch.ChapterIndex, c);
            QCOMPARE(ch.Caption, chapterName);
            QCOMPARE(ch.ShortName, chapterName);
            QCOMPARE(ch.OutputName, name + QLatin1Char('-') + chapterName);
            QCOMPARE(ch.ImageIndex, 1);
            QCOMPARE(ch.OrigStart, at);
            QCOMPARE(ch.OrigStartText, SecondsToTimeText(at));
            QVERIFY(ch.OrigEnd > ch.OrigStart);
            QCOMPARE(ch.OrigEndText, SecondsToTimeText(ch.OrigEnd));
            QCOMPARE(ch.Start, ch.OrigStart);
            QCOMPARE(ch.End, ch.OrigEnd);
            QCOMPARE(ch.Duration, 0.0);
            QCOMPARE(ch.AngleCount, 0);
            QVERIFY(ch.AudioTracks.isEmpty() && ch.AudioLanguages.isEmpty() && ch.Subtitles.isEmpty());
            QVERIFY(ch.FrameSize.isEmpty() && ch.Aspect.isEmpty());
            QVERIFY(!ch.Checked);
            at = ch.OrigEnd;
        }
        QCOMPARE(at, e.OrigEnd);
    }
    QCOMPARE(loader.TitleSets().isEmpty(), false);
}

void TestDvdTitleLoader::numberedNames_data()
{
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("expected");
    QTest::newRow("one") << "Title" << 1 << "Title01";
    QTest::newRow("twelve") << "Title" << 12 << "Title12";
    QTest::newRow("99") << "Title" << 99 << "Title99";
    QTest::newRow("100 keeps three digits") << "Title" << 100 << "Title100";
    QTest::newRow("chapter") << "Chapter" << 7 << "Chapter07";
}

void TestDvdTitleLoader::numberedNames()
{
    QFETCH(QString, prefix);
    QFETCH(int, number);
    QFETCH(QString, expected);
    QCOMPARE(DvdTitleLoader::Numbered(prefix, number), expected);
}

void TestDvdTitleLoader::streams_data()
{
    QTest::addColumn<QString>("disc");
    QTest::addColumn<int>("title");
    QTest::addColumn<QStringList>("tracks");
    QTest::addColumn<QStringList>("languages");
    QTest::addColumn<QStringList>("subtitles");

    const QStringList enFr = Strings({"English AC3 2ch", "French AC3 2ch"});
    QTest::newRow("pal-simple: no subtitles")
        << "pal-simple" << 1 << Strings({"English AC3 2ch"}) << Strings({"en"}) << Strings({"None"});
    QTest::newRow("ntsc-multi Title01") << "ntsc-multi" << 1 << enFr << Strings({"en", "fr"})
                                        << Strings({"None", "English", "Deutsch"});
    QTest::newRow("ntsc-multi Title05, second set")
        << "ntsc-multi" << 5 << enFr << Strings({"en", "fr"}) << Strings({"None", "English", "Deutsch"});
    QTest::newRow("pal-twolang Title01: all")
        << "pal-twolang" << 1 << enFr << Strings({"en", "fr"}) << Strings({"None", "English", "Deutsch"});
    QTest::newRow("pal-twolang Title02: en, subtitle stream 1 only")
        << "pal-twolang" << 2 << Strings({"English AC3 2ch"}) << Strings({"en"}) << Strings({"None", "Deutsch"});
    QTest::newRow("pal-twolang Title03: audio stream 1 only, no subtitles")
        << "pal-twolang" << 3 << Strings({"French AC3 2ch"}) << Strings({"fr"}) << Strings({"None"});
    QTest::newRow("pal-threelang Title01")
        << "pal-threelang" << 1 << Strings({"English AC3 2ch", "French AC3 2ch", "Deutsch AC3 2ch"})
        << Strings({"en", "fr", "de"}) << Strings({"None"});
    QTest::newRow("pal-threelang Title02: first and third")
        << "pal-threelang" << 2 << Strings({"English AC3 2ch", "Deutsch AC3 2ch"}) << Strings({"en", "de"})
        << Strings({"None"});
}

void TestDvdTitleLoader::streams()
{
    QFETCH(QString, disc);
    QFETCH(int, title);
    QFETCH(QStringList, tracks);
    QFETCH(QStringList, languages);
    QFETCH(QStringList, subtitles);

    TTaskListModel list;
    DvdTitleLoader loader;
    loader.LoadDvdTitles(Disc(disc), list);
    QVERIFY(list.rowCount() >= title);
    const TTaskNodeData &e = *list.Entry(list.index(title - 1, 0));
    QCOMPARE(e.AudioTracks, tracks);
    QCOMPARE(e.AudioLanguages, languages);
    QCOMPARE(e.Subtitles, subtitles);
}

void TestDvdTitleLoader::chapterTimes_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("length");
    QTest::addColumn<QString>("startText");
    QTest::addColumn<QString>("endText");

    QTest::newRow("half rounds to even, end from rounded start") << "0:05:23.500"
                                                                 << "0:10:00.250"
                                                                 << "00:05:24"
                                                                 << "00:15:24";
    // The exact end would be 3.0; the rounded start 2 plus 1.5 is 3.5, which rounds to 4.
    QTest::newRow("end is rounded start plus exact length") << "0:00:01.500"
                                                            << "0:00:01.500"
                                                            << "00:00:02"
                                                            << "00:00:04";
    QTest::newRow("half down to even") << "0:00:02.500"
                                       << "0:00:01.000"
                                       << "00:00:02"
                                       << "00:00:03";
    QTest::newRow("across the hour") << "0:59:59.600"
                                     << "0:00:00.400"
                                     << "01:00:00"
                                     << "01:00:00";
    QTest::newRow("first chapter") << "0:00:00.000"
                                   << "0:00:06.006"
                                   << "00:00:00"
                                   << "00:00:06";
}

void TestDvdTitleLoader::chapterTimes()
{
    QFETCH(QString, start);
    QFETCH(QString, length);
    QFETCH(QString, startText);
    QFETCH(QString, endText);

    DvdTitleLoader loader;
    loader.SetTitleSets({HandMadeTitleSet({start}, {length})});
    TTaskListModel list;
    TTaskNodeData title;
    title.IsTitle = true;
    const QModelIndex entry = list.AddTitleNode(title);
    loader.AddChapterNodes(0, 0, entry, 3, list);

    const QList<const TTaskNodeData *> chs = Chapters(list, 0);
    QCOMPARE(chs.size(), 1);
    const TTaskNodeData &ch = *chs.first();
    QCOMPARE(ch.OrigStartText, startText);
    QCOMPARE(ch.OrigEndText, endText);
    QCOMPARE(ch.StartText, startText);
    QCOMPARE(ch.EndText, endText);
    QCOMPARE(ch.OrigStart, TimeTextToSeconds(startText));
    QCOMPARE(ch.OrigEnd, TimeTextToSeconds(endText));
    QCOMPARE(ch.Start, ch.OrigStart);
    QCOMPARE(ch.End, ch.OrigEnd);
    QCOMPARE(ch.Duration, 0.0);
}

void TestDvdTitleLoader::chapterNumbering()
{
    QStringList starts, lengths;
    for (int j = 0; j < 12; ++j) {
        starts << QStringLiteral("0:00:%1.000").arg(j * 2, 2, 10, QLatin1Char('0'));
        lengths << QStringLiteral("0:00:02.000");
    }
    DvdTitleLoader loader;
    loader.SetTitleSets({HandMadeTitleSet(starts, lengths)});
    TTaskListModel list;
    TTaskNodeData title;
    title.IsTitle = true;
    const QModelIndex third = list.AddTitleNode(title);
    const QModelIndex hundredth = list.AddTitleNode(title);
    loader.AddChapterNodes(0, 0, third, 3, list);
    loader.AddChapterNodes(0, 0, hundredth, 100, list);

    const QList<const TTaskNodeData *> chs = Chapters(list, 0);
    QCOMPARE(chs.size(), 12);
    QCOMPARE(chs.last()->OutputName, QStringLiteral("Title03-Chapter12"));
    QCOMPARE(chs.last()->ShortName, QStringLiteral("Chapter12"));
    QCOMPARE(chs.last()->Number, 12);
    QCOMPARE(chs.last()->ChapterIndex, 11);
    QCOMPARE(chs.last()->OrigStartText, QStringLiteral("00:00:22"));
    QCOMPARE(chs.last()->OrigEndText, QStringLiteral("00:00:24"));
    QCOMPARE(Chapters(list, 1).first()->OutputName, QStringLiteral("Title100-Chapter01"));

    // No parent: nothing is added.
    QVERIFY(!DvdTitleLoader::AddChapterNode(list, QModelIndex(), 1, QStringLiteral("Chapter01"),
                                            QStringLiteral("00:00:00"), QStringLiteral("00:00:01"), QStringLiteral("x"),
                                            0)
                 .isValid());
    QCOMPARE(list.rowCount(), 2);
}

void TestDvdTitleLoader::chainThatNamesNothing_data()
{
    QTest::addColumn<int>("titleSet");
    QTest::addColumn<int>("chain");
    QTest::newRow("no title set") << -1 << 0;
    QTest::newRow("no chain") << 0 << -1;
    QTest::newRow("title set beyond the list") << 1 << 0;
    QTest::newRow("chain beyond the set") << 0 << 1;
}

void TestDvdTitleLoader::chainThatNamesNothing()
{
    QFETCH(int, titleSet);
    QFETCH(int, chain);
    DvdTitleLoader loader;
    loader.SetTitleSets({HandMadeTitleSet({QStringLiteral("0:00:00.000")}, {QStringLiteral("0:00:05.000")})});
    TTaskListModel list;
    TTaskNodeData title;
    title.IsTitle = true;
    const QModelIndex entry = list.AddTitleNode(title);
    loader.AddChapterNodes(titleSet, chain, entry, 1, list);
    QCOMPARE(list.rowCount(entry), 0);
    QVERIFY(loader.AudioTrackTexts(titleSet, chain).isEmpty());
    QVERIFY(loader.AudioLanguageCodes(titleSet, chain).isEmpty());
}

void TestDvdTitleLoader::lastTitleDecidesStandard_data()
{
    QTest::addColumn<QString>("patched");
    QTest::addColumn<QString>("standard");
    QTest::addColumn<double>("frameRateFactor");
    QTest::addColumn<QString>("firstCaption");
    QTest::addColumn<QString>("lastCaption");
    QTest::newRow("first set PAL, last title NTSC") << "VTS_01_0.IFO"
                                                    << "NTSC" << 29970.0 << "Title01 [MPEG2 720x576 PAL 4:3]"
                                                    << "Title05 [MPEG2 720x480 NTSC 4:3]";
    QTest::newRow("last set PAL") << "VTS_02_0.IFO"
                                  << "PAL" << 25000.0 << "Title01 [MPEG2 720x480 NTSC 4:3]"
                                  << "Title05 [MPEG2 720x576 PAL 4:3]";
}

void TestDvdTitleLoader::lastTitleDecidesStandard()
{
    QFETCH(QString, patched);
    QFETCH(QString, standard);
    QFETCH(double, frameRateFactor);
    QFETCH(QString, firstCaption);
    QFETCH(QString, lastCaption);

    // The video attributes' standard field (bits 5-4 of the byte at 0x200) set to PAL in one set.
    DiscCopy disc(QStringLiteral("ntsc-multi"));
    QByteArray ifo = ReadAll(disc.file(patched));
    QVERIFY(ifo.size() > 0x200);
    ifo[0x200] = char((quint8(ifo[0x200]) & ~0x30) | 0x10);
    Overwrite(disc.file(patched), ifo);

    TTaskListModel list;
    DvdTitleLoader loader;
    loader.LoadDvdTitles(disc.root, list);
    QCOMPARE(list.rowCount(), 5);
    QCOMPARE(list.Entry(list.index(0, 0))->Caption, firstCaption);
    QCOMPARE(list.Entry(list.index(4, 0))->Caption, lastCaption);
    QCOMPARE(DvdInfo.Standard, standard);
    QCOMPARE(DvdInfo.FrameRateFactor, frameRateFactor);
}

void TestDvdTitleLoader::folderForms_data()
{
    QTest::addColumn<QString>("relative");
    QTest::newRow("disc root") << "";
    QTest::newRow("disc root with separator") << "/";
    QTest::newRow("VIDEO_TS") << "/VIDEO_TS";
    QTest::newRow("VIDEO_TS with separator") << "/VIDEO_TS/";
}

void TestDvdTitleLoader::folderForms()
{
    QFETCH(QString, relative);
    TTaskListModel reference;
    DvdTitleLoader().LoadDvdTitles(Disc(QStringLiteral("ntsc-multi")), reference);

    DvdInfo = TDVDInformation();
    TTaskListModel list;
    DvdTitleLoader loader;
    loader.LoadDvdTitles(Disc(QStringLiteral("ntsc-multi")) + relative, list);
    QCOMPARE(DvdInfo.DvdPath, Disc(QStringLiteral("ntsc-multi")) + QStringLiteral("/VIDEO_TS/"));
    QCOMPARE(list.rowCount(), 5);
    QCOMPARE(Dump(list), Dump(reference));
    QCOMPARE(loader.TitleSets().size(), 2);
}

void TestDvdTitleLoader::pathWithOddCharacters()
{
    TTaskListModel reference;
    DvdTitleLoader().LoadDvdTitles(Disc(QStringLiteral("pal-twolang")), reference);

    const QString odd = QStringLiteral("my \"best\" DVD's copy [1] \u00dcbergr\u00f6\u00dfe \u65e5\u672c  two blanks");
    DiscCopy disc(QStringLiteral("pal-twolang"), odd);
    for (const QString &form : QStringList{disc.root, disc.root + QStringLiteral("/VIDEO_TS/")}) {
        DvdInfo = TDVDInformation();
        TTaskListModel list;
        DvdTitleLoader().LoadDvdTitles(form, list);
        QCOMPARE(DvdInfo.DvdPath, disc.root + QStringLiteral("/VIDEO_TS/"));
        QCOMPARE(list.rowCount(), 3);
        QCOMPARE(Dump(list), Dump(reference));
    }
}

void TestDvdTitleLoader::longestTitleOfDisc()
{
    // Title03, 06, 09 and 12 are equally long: the first of them wins.
    TTaskListModel list;
    DvdTitleLoader().LoadDvdTitles(Disc(QStringLiteral("many-titles")), list);
    list.CheckLongestTitle();
    QStringList checked;
    for (const QModelIndex &i : list.AllEntries()) {
        if (list.Entry(i)->Checked)
            checked << list.Entry(i)->OutputName;
    }
    QCOMPARE(checked, QStringList{QStringLiteral("Title03")});
    QCOMPARE(list.data(list.index(2, 0), Qt::CheckStateRole).toInt(), int(Qt::Checked));
}

void TestDvdTitleLoader::longestTitleRule_data()
{
    // Title lengths; each title gets two chapters (Duration 0).
    QTest::addColumn<QList<int>>("lengths");
    QTest::addColumn<int>("checkedTitle");
    QTest::newRow("greatest wins") << QList<int>{5, 9, 7} << 1;
    QTest::newRow("tie goes to the earlier") << QList<int>{5, 9, 9, 3} << 1;
    QTest::newRow("all zero: the first title") << QList<int>{0, 0, 0} << 0;
    QTest::newRow("single title") << QList<int>{4} << 0;
    QTest::newRow("empty list") << QList<int>{} << -1;
}

void TestDvdTitleLoader::longestTitleRule()
{
    QFETCH(QList<int>, lengths);
    QFETCH(int, checkedTitle);
    TTaskListModel list;
    for (int t = 0; t < lengths.size(); ++t) {
        const QString name = DvdTitleLoader::Numbered(QStringLiteral("Title"), t + 1);
        const QModelIndex title =
            DvdTitleLoader::AddTitleNode(list, t + 1, name, name, QStringLiteral("00:00:00"),
                                         SecondsToTimeText(lengths[t]), name, {}, {}, {}, {}, {}, 1);
        for (int c = 0; c < 2; ++c)
            DvdTitleLoader::AddChapterNode(list, title, c + 1, QStringLiteral("Chapter0%1").arg(c + 1),
                                           QStringLiteral("00:00:00"), SecondsToTimeText(lengths[t]), name, c);
    }
    list.CheckLongestTitle();
    int checkedCount = 0;
    for (const QModelIndex &i : list.AllEntries())
        checkedCount += list.Entry(i)->Checked ? 1 : 0;
    QCOMPARE(checkedCount, checkedTitle < 0 ? 0 : 1);
    if (checkedTitle >= 0)
        QVERIFY(list.Entry(list.index(checkedTitle, 0))->Checked);
}

void TestDvdTitleLoader::damagedTitleSet_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("reason");
    QTest::newRow("emptied") << "empty"
                             << "is not a DVD title-set information file";
    QTest::newRow("cut inside its tables") << "cut"
                                           << "is damaged: its structure points outside the file";
    QTest::newRow("random bytes") << "random"
                                  << "is not a DVD title-set information file";
    QTest::newRow("random bytes after the header") << "random tail"
                                                   << "is damaged";
    QTest::newRow("part-of-title table beyond the end") << "parts"
                                                        << "is damaged: its part-of-title table lies outside the file";
    QTest::newRow("gone") << "gone"
                          << "does not exist";
    QTest::newRow("a pipe") << "fifo"
                            << "is not a regular file";
    QTest::newRow("a folder") << "folder"
                              << "is not a regular file";
    QTest::newRow("a device") << "device"
                              << "is not a regular file";
}

// A damaged VTS_02_0.IFO is read from its backup; with the backup damaged too, the set's
// titles are left out and the others listed under their own numbers.
void TestDvdTitleLoader::damagedTitleSet()
{
    QFETCH(QString, damage);
    QFETCH(QString, reason);
    TTaskListModel reference;
    DvdTitleLoader().LoadDvdTitles(Disc(QStringLiteral("ntsc-multi")), reference);

    for (const bool backupToo : {false, true}) {
        DiscCopy disc(QStringLiteral("ntsc-multi"));
        Damage(disc.file(QStringLiteral("VTS_02_0.IFO")), damage);
        if (backupToo)
            Damage(disc.file(QStringLiteral("VTS_02_0.BUP")), damage);

        TTaskListModel list;
        DvdTitleLoader loader;
        loader.LoadDvdTitles(disc.root, list);
        QCOMPARE(loader.Notes().size(), 1);
        const QString note = loader.Notes().first();
        const QString ifoProblem =
            QStringLiteral("The file %1 %2").arg(disc.file(QStringLiteral("VTS_02_0.IFO")), reason);
        QVERIFY2(note.contains(ifoProblem), qPrintable(note));
        if (!backupToo) {
            QCOMPARE(Dump(list), Dump(reference));
            QVERIFY2(
                note.endsWith(
                    QStringLiteral(" Its backup %1 was read instead.").arg(disc.file(QStringLiteral("VTS_02_0.BUP")))),
                qPrintable(note));
            continue;
        }
        QCOMPARE(Dump(list), Dump(reference).mid(0, 3 + 2 + 1 + 3)); // Title01..03 with their chapters
        QVERIFY2(note.startsWith(QStringLiteral("Title set 2 is left out (Title04, Title05). ")), qPrintable(note));
        QVERIFY2(note.contains(QStringLiteral("The file %1 %2").arg(disc.file(QStringLiteral("VTS_02_0.BUP")), reason)),
                 qPrintable(note));
        QCOMPARE(loader.TitleSets().size(), 2);
        QVERIFY(loader.TitleSets().at(1).Pgci.ProgramChains.isEmpty());
    }
}

void TestDvdTitleLoader::titleWithoutPartOrLength_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QStringList>("leftOut");
    QTest::addColumn<QString>("reason");
    // ntsc-multi's VTS_02_0.IFO: its part-of-title table in the second sector, its chains in
    // the third; Title04 is the set's title 1 (chain 1), Title05 its title 2 (chain 2).
    QTest::newRow("second sector zeroed") << "zero second sector" << Strings({"Title04", "Title05"})
                                          << "its part-of-title table names no part of title 1";
    QTest::newRow("a part in a chain the set does not hold")
        << "byte 0x810" << Strings({"Title04"}) << "title 1 begins in program chain";
    QTest::newRow("a chain with no length") << "no length" << Strings({"Title05"}) << "title 2 has no length";
}

// Tables that parse but leave a title without a part or a length are damage: the backup is
// read; with the backup damaged alike, each such title is left out with a note, never listed
// with no length.
void TestDvdTitleLoader::titleWithoutPartOrLength()
{
    QFETCH(QString, damage);
    QFETCH(QStringList, leftOut);
    QFETCH(QString, reason);
    TTaskListModel reference;
    DvdTitleLoader().LoadDvdTitles(Disc(QStringLiteral("ntsc-multi")), reference);
    auto spoil = [&damage](const QString &file) {
        QByteArray bytes = ReadAll(file);
        if (damage == u"zero second sector") {
            bytes.replace(0x800, 0x800, QByteArray(0x800, 0));
        } else if (damage == u"byte 0x810") {
            bytes[0x810] = char(0xff);
        } else {
            const quint32 pgci = qFromBigEndian<quint32>(bytes.constData() + 0xcc) * 0x800;
            const quint32 chain = pgci + qFromBigEndian<quint32>(bytes.constData() + pgci + 8 + 8 + 4);
            bytes.replace(chain + 4, 4, QByteArray(4, 0));
        }
        Overwrite(file, bytes);
    };
    for (const bool backupToo : {false, true}) {
        DiscCopy disc(QStringLiteral("ntsc-multi"));
        spoil(disc.file(QStringLiteral("VTS_02_0.IFO")));
        if (backupToo)
            spoil(disc.file(QStringLiteral("VTS_02_0.BUP")));
        TTaskListModel list;
        DvdTitleLoader loader;
        loader.LoadDvdTitles(disc.root, list);
        const QString ifoProblem =
            QStringLiteral("The file %1 is damaged: ").arg(disc.file(QStringLiteral("VTS_02_0.IFO"))) + reason;
        if (!backupToo) {
            QCOMPARE(Dump(list), Dump(reference));
            QCOMPARE(loader.Notes().size(), 1);
            QVERIFY2(loader.Notes().first().startsWith(ifoProblem), qPrintable(loader.Notes().first()));
            QVERIFY2(loader.Notes().first().endsWith(QStringLiteral(" was read instead.")),
                     qPrintable(loader.Notes().first()));
            continue;
        }
        QStringList expected;
        for (const QString &line : Dump(reference)) {
            if (!leftOut.contains(line.section(QLatin1Char('|'), 4, 4).left(7)))
                expected << line;
        }
        QCOMPARE(Dump(list), expected);
        QCOMPARE(loader.Notes().size(), leftOut.size());
        for (int i = 0; i < leftOut.size(); ++i) {
            const QString &note = loader.Notes().at(i);
            QVERIFY2(note.startsWith(leftOut.at(i) + QStringLiteral(" is left out. ") + ifoProblem), qPrintable(note));
            QVERIFY2(note.contains(disc.file(QStringLiteral("VTS_02_0.BUP"))), qPrintable(note));
        }
        // Nothing left listed without a length.
        for (const QModelIndex &i : list.AllEntries())
            QVERIFY(list.Entry(i)->OrigEndText != u"00:00:00");
    }
}

// Random bytes changed in a title set's tables, in its .IFO or in both copies: whatever is
// listed has a length, and every title of the disc is either listed or named in a note.
void TestDvdTitleLoader::randomTableDamage()
{
    DiscCopy disc(QStringLiteral("ntsc-multi"));
    const QByteArray ifo = ReadAll(disc.file(QStringLiteral("VTS_02_0.IFO")));
    const QByteArray bup = ReadAll(disc.file(QStringLiteral("VTS_02_0.BUP")));
    QRandomGenerator random(20261211);
    int leftOut = 0;
    for (int round = 0; round < 300; ++round) {
        // A few bytes of the tables: the header's pointers, the part-of-title table (second
        // sector), the chains' heads (third sector); often 0 or 0xff. Every other round the
        // backup has the same damage.
        QList<QPair<int, char>> changes;
        for (int k = 1 + int(random.bounded(3)); k > 0; --k) {
            const int region = int(random.bounded(3));
            const int at = region == 0 ? 0xc0 + int(random.bounded(0x20))
                         : region == 1 ? 0x800 + int(random.bounded(0x30))
                                       : 0x1000 + int(random.bounded(0x200));
            const int kind = int(random.bounded(3));
            changes.append({at, kind == 0 ? char(0) : kind == 1 ? char(0xff) : char(random.bounded(256))});
        }
        for (const bool backup : {false, true}) {
            QByteArray bytes = backup ? bup : ifo;
            if (!backup || round % 2 == 1) {
                for (const auto &[at, value] : changes)
                    bytes[at] = value;
            }
            Overwrite(disc.file(backup ? QStringLiteral("VTS_02_0.BUP") : QStringLiteral("VTS_02_0.IFO")), bytes);
        }
        TTaskListModel list;
        DvdTitleLoader loader;
        loader.LoadDvdTitles(disc.root, list);
        const QString notes = loader.Notes().join(QLatin1Char('\n'));
        QStringList listed;
        for (const TTaskNodeData *title : Titles(list)) {
            listed << title->ShortName;
            QVERIFY2(TimeTextToSeconds(title->OrigEndText) > 0,
                     qPrintable(QStringLiteral("round %1: %2 listed with no length").arg(round).arg(title->ShortName)));
        }
        for (int t = 1; t <= 5; ++t) {
            const QString name = DvdTitleLoader::Numbered(QStringLiteral("Title"), t);
            QVERIFY2(listed.contains(name) || notes.contains(name),
                     qPrintable(QStringLiteral("round %1: %2 neither listed nor noted").arg(round).arg(name)));
            leftOut += listed.contains(name) ? 0 : 1;
        }
    }
    QVERIFY(leftOut > 0); // the damage reached the titles
}

void TestDvdTitleLoader::unreadableDvd_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("message");
    // Copies of ntsc-multi; %1 the disc's root, %2 its VIDEO_TS folder.
    QTest::newRow("no title sets left") << "sets"
                                        << "No title of the DVD at \"%1\" can be read.";
    QTest::newRow("no titles") << "no titles"
                               << "The DVD at \"%1\" has no titles.";
    QTest::newRow("title table cut in both copies")
        << "menu cut"
        << "The DVD at \"%1\" cannot be read. The file %2/VIDEO_TS.IFO is damaged: its title table lies outside the "
           "file. "
           "The file %2/VIDEO_TS.BUP is damaged: its title table lies outside the file.";
    QTest::newRow("only VIDEO_TS.BUP, a pipe")
        << "menu pipe"
        << "The DVD at \"%1\" cannot be read. The file %2/VIDEO_TS.IFO does not exist. "
           "The file %2/VIDEO_TS.BUP is not a regular file.";
}

void TestDvdTitleLoader::unreadableDvd()
{
    QFETCH(QString, damage);
    QFETCH(QString, message);
    DiscCopy disc(QStringLiteral("ntsc-multi"));
    const QString videoTs = disc.root + QStringLiteral("/VIDEO_TS");
    if (damage == QLatin1String("sets")) {
        for (const char *name : {"VTS_01_0.IFO", "VTS_01_0.BUP", "VTS_02_0.IFO", "VTS_02_0.BUP"})
            Damage(disc.file(QLatin1String(name)), QStringLiteral("gone"));
    } else if (damage == QLatin1String("no titles")) {
        for (const char *name : {"VIDEO_TS.IFO", "VIDEO_TS.BUP"}) {
            QByteArray bytes = ReadAll(disc.file(QLatin1String(name)));
            bytes.replace(2048, 8, QByteArray::fromHex("0000000000000007"));
            Overwrite(disc.file(QLatin1String(name)), bytes);
        }
    } else if (damage == QLatin1String("menu cut")) {
        for (const char *name : {"VIDEO_TS.IFO", "VIDEO_TS.BUP"})
            Overwrite(disc.file(QLatin1String(name)), ReadAll(disc.file(QLatin1String(name))).left(3000));
    } else {
        Damage(disc.file(QStringLiteral("VIDEO_TS.IFO")), QStringLiteral("gone"));
        Damage(disc.file(QStringLiteral("VIDEO_TS.BUP")), QStringLiteral("fifo"));
    }

    TTaskListModel list;
    DvdTitleLoader loader;
    try {
        loader.LoadDvdTitles(disc.root, list);
        QFAIL("a DVD without a readable title was accepted");
    } catch (const EQuarnelError &e) {
        QCOMPARE(e.text(), message.arg(disc.root, videoTs));
    }
    QCOMPARE(list.rowCount(), 0);
    QCOMPARE(DvdInfo.DvdPath, videoTs + QLatin1Char('/'));
    QCOMPARE(DvdInfo.Standard, QString());
    QCOMPARE(DvdInfo.FrameRateFactor, 0.0);
    QCOMPARE(loader.Notes().size(), damage == QLatin1String("sets") ? 2 : 0);
}

void TestDvdTitleLoader::missingIfoReadsBackup()
{
    // Only the backups are left: everything reads as before.
    TTaskListModel reference;
    DvdTitleLoader().LoadDvdTitles(Disc(QStringLiteral("ntsc-multi")), reference);
    DiscCopy disc(QStringLiteral("ntsc-multi"));
    for (const char *name : {"VIDEO_TS.IFO", "VTS_01_0.IFO", "VTS_02_0.IFO"})
        QVERIFY(QFile::remove(disc.file(QLatin1String(name))));
    TTaskListModel list;
    DvdTitleLoader loader;
    loader.LoadDvdTitles(disc.root, list);
    QCOMPARE(Dump(list), Dump(reference));
    QCOMPARE(DvdInfo.DvdPath, disc.root + QStringLiteral("/VIDEO_TS/"));
    QCOMPARE(loader.Notes().size(), 3);
}

void TestDvdTitleLoader::notADvd_data()
{
    QTest::addColumn<QString>("content");
    QTest::newRow("empty folder") << "";
    QTest::newRow("folder of other files") << "files";
    QTest::newRow("VIDEO_TS folder without files") << "empty VIDEO_TS";
    QTest::newRow("no such folder") << "missing";
}

void TestDvdTitleLoader::notADvd()
{
    QFETCH(QString, content);
    QTemporaryDir dir;
    QString folder = dir.path();
    if (content == QLatin1String("files")) {
        Overwrite(folder + QStringLiteral("/notes.txt"), "not a DVD\n");
        QDir(folder).mkdir(QStringLiteral("photos"));
    } else if (content == QLatin1String("empty VIDEO_TS")) {
        QDir(folder).mkdir(QStringLiteral("VIDEO_TS"));
    } else if (content == QLatin1String("missing")) {
        folder += QStringLiteral("/gone");
    }
    TTaskListModel list;
    DvdTitleLoader loader;
    try {
        loader.LoadDvdTitles(folder, list);
        QFAIL("a folder without a DVD was accepted");
    } catch (const EQuarnelError &e) {
        QCOMPARE(e.text(),
                 QStringLiteral("No DVD in \"%1\": the file \"%1/VIDEO_TS/VIDEO_TS.IFO\" does not exist.").arg(folder));
    }
    QCOMPARE(list.rowCount(), 0);
    QVERIFY(loader.TitleSets().isEmpty());
    QVERIFY(loader.Notes().isEmpty());
    QCOMPARE(DvdInfo.DvdPath, folder + QStringLiteral("/VIDEO_TS/"));
}

QTEST_GUILESS_MAIN(TestDvdTitleLoader)
#include "TestDvdTitleLoader.moc"
