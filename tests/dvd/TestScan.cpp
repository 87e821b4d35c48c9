// `quarnel --scan` as a user runs it: a separate process, its JSON read back and set
// against what lsdvd, an independent reader, says of the same disc.

#include "TestSupport.h"

#include "convert/commands/SubtitleStreams.h"
#include "dvd/Parser.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <sys/stat.h>

namespace {

QString Disc(const QString &name)
{
    return TestDvdsDir() + QLatin1Char('/') + name;
}

struct Run
{
    int exitCode = -1;
    QByteArray out, err;
};

Run RunProgram(const QString &program, const QStringList &arguments)
{
    QProcess p;
    p.start(program, arguments);
    Run run;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        run.err = "timed out";
        return run;
    }
    run.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.out = p.readAllStandardOutput();
    run.err = p.readAllStandardError();
    return run;
}

Run Scan(const QString &path)
{
    return RunProgram(BuiltProgramDir() + QStringLiteral("/quarnel"), {QStringLiteral("--scan"), path});
}

QJsonObject ScanJson(const QString &path)
{
    const Run run = Scan(path);
    if (run.exitCode != 0)
        qWarning("quarnel --scan %s: exit %d: %s", qPrintable(path), run.exitCode, run.err.constData());
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(run.out, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        qWarning("quarnel --scan %s: not a JSON object: %s", qPrintable(path), qPrintable(error.errorString()));
    return doc.object();
}

QStringList SortedKeys(const QJsonObject &o)
{
    QStringList keys = o.keys();
    keys.sort();
    return keys;
}

QStringList Sorted(QStringList list)
{
    list.sort();
    return list;
}

// Whole seconds as the program rounds them: halves to the even neighbour.
double WholeSeconds(double seconds)
{
    return std::nearbyint(seconds);
}

// What lsdvd -x prints of one title.
struct LsdvdTitle
{
    double length = 0;
    int chapterCount = 0;
    QList<double> chapterLengths;
    QStringList audioCodes;
    QStringList subtitleCodes;
    bool subtitleUnknown = false; // lsdvd printed "(null)": it lists a chain's subtitles by position
};

struct LsdvdDisc
{
    QList<LsdvdTitle> titles;
    int longest = 0; // 1-based
};

double ClockSeconds(const QRegularExpressionMatch &m, int first)
{
    return m.captured(first).toInt() * 3600.0 + m.captured(first + 1).toInt() * 60.0 + m.captured(first + 2).toDouble();
}

LsdvdDisc ReadLsdvd(const QString &folder)
{
    LsdvdDisc disc;
    QProcess p;
    p.start(QStringLiteral("lsdvd"), {QStringLiteral("-x"), folder});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return disc;
    static const QRegularExpression title(
        QStringLiteral("^Title: (\\d+), Length: (\\d+):(\\d+):(\\d+(?:\\.\\d+)?) Chapters: (\\d+),"));
    static const QRegularExpression audio(QStringLiteral("^\\tAudio: \\d+, Language: (\\S+) - "));
    static const QRegularExpression chapter(
        QStringLiteral("^\\tChapter: \\d+, Length: (\\d+):(\\d+):(\\d+(?:\\.\\d+)?),"));
    static const QRegularExpression subtitle(QStringLiteral("^\\tSubtitle: \\d+, Language: (\\S+) - "));
    static const QRegularExpression longest(QStringLiteral("^Longest track: (\\d+)"));
    for (const QByteArray &raw : p.readAllStandardOutput().split('\n')) {
        const QString line = QString::fromLatin1(raw);
        QRegularExpressionMatch m;
        if ((m = title.match(line)).hasMatch()) {
            LsdvdTitle t;
            t.length = ClockSeconds(m, 2);
            t.chapterCount = m.captured(5).toInt();
            disc.titles << t;
        } else if (disc.titles.isEmpty()) {
            continue;
        } else if ((m = audio.match(line)).hasMatch()) {
            disc.titles.last().audioCodes << m.captured(1);
        } else if ((m = chapter.match(line)).hasMatch()) {
            disc.titles.last().chapterLengths << ClockSeconds(m, 1);
        } else if ((m = subtitle.match(line)).hasMatch()) {
            if (m.captured(1) == QLatin1String("(null)"))
                disc.titles.last().subtitleUnknown = true;
            disc.titles.last().subtitleCodes << m.captured(1);
        } else if ((m = longest.match(line)).hasMatch()) {
            disc.longest = m.captured(1).toInt();
        }
    }
    return disc;
}

void Overwrite(const QString &file, const QByteArray &bytes)
{
    QFile f(file);
    QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(file));
    f.write(bytes);
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

const QStringList kDiscs{QStringLiteral("pal-simple"), QStringLiteral("ntsc-multi"), QStringLiteral("pal-twolang"),
                         QStringLiteral("pal-threelang"), QStringLiteral("many-titles")};

} // namespace

class TestScan : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(QFileInfo(BuiltProgramDir() + QStringLiteral("/quarnel")).isExecutable(),
                 qPrintable(BuiltProgramDir()));
    }

    void keysAndValues_data();
    void keysAndValues();
    void againstLsdvd_data();
    void againstLsdvd();
    void pathForms();
    void lowerCaseCopy();
    void unusualContent();
    void damagedDisc();
    void image();
    void failures_data();
    void failures();
};

void TestScan::keysAndValues_data()
{
    QTest::addColumn<QString>("disc");
    QTest::addColumn<QString>("standard");
    QTest::addColumn<double>("frameRateFactor");
    for (const QString &disc : kDiscs) {
        const bool ntsc = disc.startsWith(QLatin1String("ntsc"));
        QTest::newRow(qPrintable(disc)) << disc << (ntsc ? "NTSC" : "PAL") << (ntsc ? 29970.0 : 25000.0);
    }
}

void TestScan::keysAndValues()
{
    QFETCH(QString, disc);
    QFETCH(QString, standard);
    QFETCH(double, frameRateFactor);

    const Run run = Scan(Disc(disc));
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QVERIFY2(run.err.isEmpty(), run.err.constData());
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(run.out, &error);
    QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString()));
    QVERIFY(doc.isObject());
    const QJsonObject top = doc.object();

    QCOMPARE(SortedKeys(top), Sorted(Strings({"DvdPath", "Standard", "FrameRateFactor", "VolumeName", "Titles"})));
    QCOMPARE(top[QStringLiteral("DvdPath")].toString(), Disc(disc) + QStringLiteral("/VIDEO_TS/"));
    QCOMPARE(top[QStringLiteral("Standard")].toString(), standard);
    QCOMPARE(top[QStringLiteral("FrameRateFactor")].toDouble(), frameRateFactor);
    QVERIFY(top[QStringLiteral("VolumeName")].isString());
    QCOMPARE(top[QStringLiteral("VolumeName")].toString(), QString());

    const QStringList titleKeys =
        Sorted(Strings({"Number", "Caption", "ShortName", "FrameSize", "Aspect", "OrigStart", "OrigEnd",
                        "OrigStartText", "OrigEndText", "Duration", "OutputName", "AudioTracks", "AudioLanguages",
                        "Subtitles", "AngleCount", "Checked", "Chapters"}));
    const QStringList chapterKeys = Sorted(Strings({"Number", "ChapterIndex", "Caption", "OrigStart", "OrigEnd",
                                                    "OrigStartText", "OrigEndText", "OutputName", "Checked"}));
    const QJsonArray titles = top[QStringLiteral("Titles")].toArray();
    QVERIFY(!titles.isEmpty());
    int checked = 0;
    for (int t = 0; t < titles.size(); ++t) {
        const QJsonObject title = titles[t].toObject();
        QCOMPARE(SortedKeys(title), titleKeys);
        QCOMPARE(title[QStringLiteral("Number")].toInt(), t + 1);
        QCOMPARE(title[QStringLiteral("ShortName")].toString(),
                 QStringLiteral("Title%1").arg(t + 1, 2, 10, QLatin1Char('0')));
        QVERIFY(title[QStringLiteral("Caption")].toString().contains(standard));
        for (const char *list : {"AudioTracks", "AudioLanguages", "Subtitles", "Chapters"})
            QVERIFY2(title[QLatin1String(list)].isArray(), list);
        for (const char *number : {"OrigStart", "OrigEnd", "Duration", "AngleCount"})
            QVERIFY2(title[QLatin1String(number)].isDouble(), number);
        QVERIFY(title[QStringLiteral("Checked")].isBool());
        QCOMPARE(title[QStringLiteral("Subtitles")].toArray().first().toString(), QStringLiteral("None"));
        QCOMPARE(title[QStringLiteral("AudioTracks")].toArray().size(),
                 title[QStringLiteral("AudioLanguages")].toArray().size());
        checked += title[QStringLiteral("Checked")].toBool() ? 1 : 0;

        const QJsonArray chapters = title[QStringLiteral("Chapters")].toArray();
        QVERIFY(!chapters.isEmpty());
        for (int c = 0; c < chapters.size(); ++c) {
            const QJsonObject chapter = chapters[c].toObject();
            QCOMPARE(SortedKeys(chapter), chapterKeys);
            QCOMPARE(chapter[QStringLiteral("Number")].toInt(), c + 1);
            QCOMPARE(chapter[QStringLiteral("ChapterIndex")].toInt(), c);
            QCOMPARE(chapter[QStringLiteral("OutputName")].toString(),
                     title[QStringLiteral("ShortName")].toString()
                         + QStringLiteral("-Chapter%1").arg(c + 1, 2, 10, QLatin1Char('0')));
            QVERIFY(chapter[QStringLiteral("Checked")].isBool());
            checked += chapter[QStringLiteral("Checked")].toBool() ? 1 : 0;
        }
    }
    QCOMPARE(checked, 1);
}

void TestScan::againstLsdvd_data()
{
    QTest::addColumn<QString>("disc");
    for (const QString &disc : kDiscs)
        QTest::newRow(qPrintable(disc)) << disc;
}

void TestScan::againstLsdvd()
{
    QFETCH(QString, disc);
    const LsdvdDisc lsdvd = ReadLsdvd(Disc(disc));
    QVERIFY2(!lsdvd.titles.isEmpty(), "lsdvd read nothing");
    const QJsonArray titles = ScanJson(Disc(disc))[QStringLiteral("Titles")].toArray();

    QCOMPARE(titles.size(), lsdvd.titles.size());
    for (int t = 0; t < titles.size(); ++t) {
        const QJsonObject title = titles[t].toObject();
        const LsdvdTitle &theirs = lsdvd.titles[t];
        const QString where = QStringLiteral("title %1").arg(t + 1);
        QVERIFY2(title[QStringLiteral("OrigEnd")].toDouble() == WholeSeconds(theirs.length), qPrintable(where));
        QVERIFY2(title[QStringLiteral("Duration")].toDouble() == WholeSeconds(theirs.length), qPrintable(where));
        QCOMPARE(title[QStringLiteral("Checked")].toBool(), t + 1 == lsdvd.longest);

        QStringList languages;
        for (const QJsonValue &v : title[QStringLiteral("AudioLanguages")].toArray())
            languages << v.toString();
        QCOMPARE(languages, theirs.audioCodes);

        if (!theirs.subtitleUnknown) {
            QStringList expected{QStringLiteral("None")};
            for (const QString &code : theirs.subtitleCodes)
                expected << Parser::LanguageName(code);
            QStringList subtitles;
            for (const QJsonValue &v : title[QStringLiteral("Subtitles")].toArray())
                subtitles << v.toString();
            QCOMPARE(subtitles, expected);
        }

        const QJsonArray chapters = title[QStringLiteral("Chapters")].toArray();
        QCOMPARE(chapters.size(), theirs.chapterCount);
        QCOMPARE(chapters.size(), theirs.chapterLengths.size());
        double at = 0;
        for (int c = 0; c < chapters.size(); ++c) {
            const QJsonObject chapter = chapters[c].toObject();
            const QString chapterWhere = where + QStringLiteral(" chapter %1").arg(c + 1);
            QVERIFY2(chapter[QStringLiteral("OrigStart")].toDouble() == WholeSeconds(at), qPrintable(chapterWhere));
            at += theirs.chapterLengths[c];
            QVERIFY2(chapter[QStringLiteral("OrigEnd")].toDouble() == WholeSeconds(at), qPrintable(chapterWhere));
        }
    }
}

void TestScan::pathForms()
{
    // The disc root, its VIDEO_TS folder and a file in it describe the same disc.
    const QString root = Disc(QStringLiteral("pal-twolang"));
    const QJsonObject reference = ScanJson(root);
    QVERIFY(!reference.isEmpty());
    for (const QString &form : QStringList{root + QStringLiteral("/"), root + QStringLiteral("/VIDEO_TS"),
                                           root + QStringLiteral("/VIDEO_TS/VIDEO_TS.IFO")})
        QVERIFY2(ScanJson(form) == reference, qPrintable(form));
}

void TestScan::lowerCaseCopy()
{
    // A copy whose folder and file names are all lower case reads as the disc itself, down
    // to the subtitle streams a conversion asks for.
    QTemporaryDir dir;
    const QString upper = Disc(QStringLiteral("ntsc-multi"));
    const QString lower = dir.path() + QStringLiteral("/disc/video_ts");
    QVERIFY(QDir().mkpath(lower));
    for (const QString &name : QDir(upper + QStringLiteral("/VIDEO_TS")).entryList(QDir::Files))
        QVERIFY(QFile::copy(upper + QStringLiteral("/VIDEO_TS/") + name, lower + QLatin1Char('/') + name.toLower()));
    QJsonObject reference = ScanJson(upper);
    QJsonObject copy = ScanJson(dir.path() + QStringLiteral("/disc"));
    QCOMPARE(copy.take(QStringLiteral("DvdPath")).toString(), lower + QLatin1Char('/'));
    reference.remove(QStringLiteral("DvdPath"));
    QVERIFY(!reference.isEmpty());
    QVERIFY(copy == reference);
    for (int title = 1; title <= 5; ++title)
        QCOMPARE(TitleSubtitleStreams(lower, title), TitleSubtitleStreams(upper + QStringLiteral("/VIDEO_TS"), title));
    QCOMPARE(TitleSubtitleStreams(lower, 1), (QList<int>{0, 1}));
}

void TestScan::unusualContent()
{
    // A folder name that JSON must escape, in the JSON and in the note on a title set whose
    // files are gone: its titles are left out, the others keep their numbers.
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/say \"hi\" back\\slash\ttab\nline \u00e9\u65e5");
    CopyFolder(Disc(QStringLiteral("ntsc-multi")), path);
    QVERIFY(QFile::remove(path + QStringLiteral("/VIDEO_TS/VTS_01_0.IFO")));
    QVERIFY(QFile::remove(path + QStringLiteral("/VIDEO_TS/VTS_01_0.BUP")));

    const Run run = Scan(path);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(QString::fromUtf8(run.err),
             QStringLiteral(
                 "quarnel: Title set 1 is left out (Title01, Title02, Title03). The file %1/VIDEO_TS/VTS_01_0.IFO "
                 "does not exist. The file %1/VIDEO_TS/VTS_01_0.BUP does not exist.\n")
                 .arg(path));
    const QJsonObject top = QJsonDocument::fromJson(run.out).object();
    QCOMPARE(top[QStringLiteral("DvdPath")].toString(), path + QStringLiteral("/VIDEO_TS/"));
    const QJsonArray titles = top[QStringLiteral("Titles")].toArray();
    QCOMPARE(titles.size(), 2);
    QCOMPARE(titles[0].toObject()[QStringLiteral("ShortName")].toString(), QStringLiteral("Title04"));
    QCOMPARE(titles[0].toObject()[QStringLiteral("Number")].toInt(), 4);
    QCOMPARE(titles[1].toObject()[QStringLiteral("Chapters")].toArray().size(), 2);
}

void TestScan::damagedDisc()
{
    // VIDEO_TS.IFO cut where libdvdread used to free its title table twice, and a title set
    // damaged in both copies: what can be read is listed, the rest said on standard error.
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/disc");
    CopyFolder(Disc(QStringLiteral("ntsc-multi")), path);
    const QString videoTs = path + QStringLiteral("/VIDEO_TS/");
    for (const char *name : {"VIDEO_TS.IFO", "VTS_02_0.IFO", "VTS_02_0.BUP"}) {
        QFile f(videoTs + QLatin1String(name));
        QVERIFY(f.resize(name[0] == 'V' && name[1] == 'I' ? 3000 : 0x300));
    }

    const Run run = Scan(path);
    QCOMPARE(run.exitCode, 0);
    const QStringList lines = QString::fromUtf8(run.err).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines[0],
             QStringLiteral("quarnel: The file %1VIDEO_TS.IFO is damaged: its title table lies outside the file. "
                            "Its backup %1VIDEO_TS.BUP was read instead.")
                 .arg(videoTs));
    QVERIFY2(lines[1].startsWith(
                 QStringLiteral("quarnel: Title set 2 is left out (Title04, Title05). The file %1VTS_02_0.IFO")
                     .arg(videoTs)),
             qPrintable(lines[1]));
    const QJsonArray titles = QJsonDocument::fromJson(run.out).object()[QStringLiteral("Titles")].toArray();
    QCOMPARE(titles.size(), 3);
    QCOMPARE(titles[2].toObject()[QStringLiteral("OutputName")].toString(), QStringLiteral("Title03"));
}

void TestScan::image()
{
    // An image made from a disc reads as the disc itself; only the path differs.
    QTemporaryDir dir;
    const QString iso = dir.path() + QStringLiteral("/ntsc multi.ISO");
    QVERIFY(MakeDvdImage(Disc(QStringLiteral("ntsc-multi")), iso));
    QJsonObject fromImage = ScanJson(iso);
    QJsonObject fromFolder = ScanJson(Disc(QStringLiteral("ntsc-multi")));
    QCOMPARE(fromImage.take(QStringLiteral("DvdPath")).toString(), iso);
    fromFolder.remove(QStringLiteral("DvdPath"));
    QVERIFY(!fromFolder.isEmpty());
    QVERIFY(fromImage == fromFolder);
    for (int title = 1; title <= 5; ++title)
        QCOMPARE(TitleSubtitleStreams(iso, title),
                 TitleSubtitleStreams(Disc(QStringLiteral("ntsc-multi/VIDEO_TS")), title));
}

void TestScan::failures_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("named");
    QTest::newRow("missing path") << "missing"
                                  << "path";
    QTest::newRow("folder that is not a DVD") << "empty"
                                              << "path";
    QTest::newRow("title table cut, no backup") << "cut menu"
                                                << "VIDEO_TS.IFO";
    QTest::newRow("title table, backup a pipe") << "pipe menu"
                                                << "VIDEO_TS.BUP is not a regular file";
    QTest::newRow("image of random bytes") << "random image"
                                           << "VIDEO_TS.IFO in";
}

void TestScan::failures()
{
    QFETCH(QString, kind);
    QFETCH(QString, named);
    QTemporaryDir dir;
    QString path = dir.path() + QStringLiteral("/dvd with blanks");
    if (kind == QLatin1String("missing")) {
        path += QStringLiteral("/gone");
    } else if (kind == QLatin1String("empty")) {
        QVERIFY(QDir().mkpath(path));
    } else if (kind == QLatin1String("random image")) {
        path += QStringLiteral(".iso");
        QByteArray bytes(512 * 1024, '\0');
        QRandomGenerator random(99);
        for (char &b : bytes)
            b = char(random.bounded(256));
        Overwrite(path, bytes);
    } else {
        CopyFolder(Disc(QStringLiteral("ntsc-multi")), path);
        const QString menu = path + QStringLiteral("/VIDEO_TS/VIDEO_TS.");
        QVERIFY(QFile(menu + QStringLiteral("IFO")).resize(3000));
        QVERIFY(QFile::remove(menu + QStringLiteral("BUP")));
        if (kind == QLatin1String("pipe menu"))
            QCOMPARE(::mkfifo(QFile::encodeName(menu + QStringLiteral("BUP")).constData(), 0644), 0);
    }

    const Run run = Scan(path);
    QVERIFY2(run.exitCode == 1, run.err.constData());
    QVERIFY2(run.out.isEmpty(), run.out.constData());
    const QString err = QString::fromUtf8(run.err);
    QVERIFY2(err.contains(named == QLatin1String("path") ? path : named), qPrintable(err));
    QVERIFY2(err.endsWith(QLatin1Char('\n')) && err.count(QLatin1Char('\n')) == 1, qPrintable(err));
}

QTEST_GUILESS_MAIN(TestScan)
#include "TestScan.moc"
