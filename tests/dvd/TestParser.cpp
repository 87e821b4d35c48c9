#include "IfoFixture.h"

#include "core/EQuarnelError.h"
#include "dvd/Parser.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

using Patch = std::function<void(IfoFixture &, QByteArray &)>;
Q_DECLARE_METATYPE(Patch)

namespace {

const QString Name = QStringLiteral("/dvd/VIDEO_TS/VTS_01_0.IFO");

QString Damaged(const QString &reason)
{
    return QStringLiteral("The file %1 is damaged: %2.").arg(Name, reason);
}
QString OutsideFile()
{
    return Damaged(QStringLiteral("its structure points outside the file"));
}
QString NotTitleSet()
{
    return QStringLiteral("The file %1 is not a DVD title-set information file.").arg(Name);
}
QString BadTime()
{
    return Damaged(QStringLiteral("it holds an invalid playback time"));
}

// The parse's result as text, or the error's text.
QString Outcome(const QByteArray &data)
{
    try {
        return Dump(Parser::ParseIfo(data, Name));
    } catch (const EQuarnelError &e) {
        return e.text();
    }
}

TIFO Parse(const QByteArray &data)
{
    try {
        return Parser::ParseIfo(data, Name);
    } catch (const EQuarnelError &e) {
        qFatal("unexpected error: %s", qPrintable(e.text()));
    }
}

// Cell times in whole 25-fps frames keep the expected texts easy to read.
quint32 Ms(int ms)
{
    return BcdTime(ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000 / 40);
}

// Two audio streams, three subpicture streams, two chains with chapters: every part of the
// file is read.
IfoFixture Typical()
{
    IfoFixture f;
    f.audio = {{0x0005, "en", 1}, {0x4001, "fr", 0}};
    f.subpictures = {"en", "de", "fr"};
    ChainSpec one;
    one.programMap = {1, 3};
    one.cellTimes = {Ms(2000), Ms(1000), Ms(3040)};
    one.playbackTime = Ms(6040);
    one.audioMask = 0b11;
    one.subpictureMask = 0b101;
    ChainSpec two;
    two.programMap = {1};
    two.cellTimes = {Ms(4000), Ms(480)};
    two.playbackTime = Ms(4480);
    two.audioMask = 0b10;
    f.chains = {one, two};
    return f;
}

QString Text(const char *latin1)
{
    return QString::fromLatin1(latin1);
}

} // namespace

class TestParser : public QObject
{
    Q_OBJECT

private slots:
    void videoAttributes_data();
    void videoAttributes();
    void audioAttributes_data();
    void audioAttributes();
    void languages_data();
    void languages();
    void languageNameOfOtherLengths();
    void subpictureCount_data();
    void subpictureCount();
    void streamAvailability();
    void emptyStreams();
    void playbackTimes_data();
    void playbackTimes();
    void chapters_data();
    void chapters();
    void angleBlocks();
    void chainsBeyond64KiB();
    void sharedChains();
    void damagedFiles_data();
    void damagedFiles();
    void everyTruncation();
    void randomDamage();
    void fromDisk();
    void unreadableFiles_data();
    void unreadableFiles();
};

void TestParser::videoAttributes_data()
{
    QTest::addColumn<quint16>("bits");
    QTest::addColumn<QString>("coding");
    QTest::addColumn<QString>("standard");
    QTest::addColumn<QString>("aspect");
    QTest::addColumn<QString>("resolution");

    const char *coding[] = {"MPEG1", "MPEG2", "???", "???"};
    const char *standard[] = {"NTSC", "PAL", "???", "???"};
    const char *aspect[] = {"4:3", "???", "???", "16:9"};
    const char *ntsc[] = {"720x480", "704x480", "352x480", "352x240"};
    const char *pal[] = {"720x576", "704x576", "352x576", "352x288"};
    for (int c = 0; c < 4; ++c) {
        for (int s = 0; s < 4; ++s) {
            for (int a = 0; a < 4; ++a) {
                for (int r = 0; r < 4; ++r) {
                    // The bits between and after the fields are set: none of them may leak in.
                    const quint16 bits = quint16(c << 14 | s << 12 | a << 10 | r << 2 | 0x03f3);
                    const QString resolution = s == 0 ? Text(ntsc[r]) : s == 1 ? Text(pal[r]) : QString();
                    QTest::addRow("coding %d standard %d aspect %d size %d", c, s, a, r)
                        << bits << Text(coding[c]) << Text(standard[s]) << Text(aspect[a]) << resolution;
                }
            }
        }
    }
}

void TestParser::videoAttributes()
{
    QFETCH(quint16, bits);
    IfoFixture f = Typical();
    f.video = bits;
    const TVideoStream video = Parse(f.Build()).Vobs.VideoStream;
    QTEST(video.CodingMode, "coding");
    QTEST(video.Standard, "standard");
    QTEST(video.AspectRatio, "aspect");
    QTEST(video.Resolution, "resolution");
}

void TestParser::audioAttributes_data()
{
    QTest::addColumn<quint16>("bits");
    QTest::addColumn<int>("extension");
    QTest::addColumn<QString>("coding");
    QTest::addColumn<int>("languageType");
    QTest::addColumn<int>("channels");
    QTest::addColumn<QString>("codeExtension");

    // Multichannel, application mode, quantisation, sample rate and the spare bit all set.
    const quint16 noise = 0x1000 | 0x0300 | 0x00c0 | 0x0030 | 0x0008;
    const char *coding[] = {"AC3", "???", "MPEG1", "MPEG2", "LPCM", "???", "DTS", "???"};
    for (int c = 0; c < 8; ++c)
        QTest::addRow("coding %d", c) << quint16(c << 13 | noise) << 0 << Text(coding[c]) << 0 << 1
                                      << Text("unspecified");
    const int types[] = {0, 1, 10, 11};
    for (int t = 0; t < 4; ++t)
        QTest::addRow("language type %d", t)
            << quint16(t << 10 | noise) << 0 << Text("AC3") << types[t] << 1 << Text("unspecified");
    for (int ch = 0; ch < 8; ++ch)
        QTest::addRow("channel bits %d", ch)
            << quint16(ch | noise) << 0 << Text("AC3") << 0 << ch + 1 << Text("unspecified");
    const char *extensions[] = {
        "unspecified", "normal", "for visually impaired", "director's comments", "alternate director's comments",
        "???",         "???"};
    for (int e = 0; e < 7; ++e)
        QTest::addRow("code extension %d", e) << noise << e << Text("AC3") << 0 << 1 << Text(extensions[e]);
    QTest::addRow("code extension 255") << noise << 255 << Text("AC3") << 0 << 1 << Text("???");
    QTest::addRow("all fields at once") << quint16(6 << 13 | 3 << 10 | 5 | noise) << 3 << Text("DTS") << 11 << 6
                                        << Text("director's comments");
}

void TestParser::audioAttributes()
{
    QFETCH(quint16, bits);
    QFETCH(int, extension);
    IfoFixture f = Typical();
    // The stream under test is the second one, so the entry stride is exercised too.
    f.audio[1] = {bits, "fr", quint8(extension)};
    const TAudioStream audio = Parse(f.Build()).Vobs.AudioStreams.at(1);
    QTEST(audio.CodingMode, "coding");
    QTEST(int(audio.LanguageType), "languageType");
    QTEST(int(audio.Channels), "channels");
    QTEST(audio.CodeExtension, "codeExtension");
    QCOMPARE(audio.LanguageCode, QStringLiteral("fr"));
    QCOMPARE(audio.Language, QStringLiteral("French"));
}

void TestParser::languages_data()
{
    QTest::addColumn<QByteArray>("code");
    QTest::addColumn<QString>("name");

    QTest::newRow("first row, two spaces") << QByteArray("  ") << Text("Not Specified");
    QTest::newRow("aa") << QByteArray("aa") << Text("Afar");
    QTest::newRow("en") << QByteArray("en") << Text("English");
    QTest::newRow("de") << QByteArray("de") << Text("Deutsch");
    QTest::newRow("cs") << QByteArray("cs") << Text("Czech(Ceske)");
    QTest::newRow("om") << QByteArray("om") << Text("(Afan) Oromo");
    QTest::newRow("bn") << QByteArray("bn") << Text("Bengali; Bangla");
    QTest::newRow("he") << QByteArray("he") << Text("Hebrew");
    QTest::newRow("iw") << QByteArray("iw") << Text("Hebrew");
    QTest::newRow("id") << QByteArray("id") << Text("Indonesian");
    QTest::newRow("in") << QByteArray("in") << Text("Indonesian");
    QTest::newRow("yi") << QByteArray("yi") << Text("Yiddish");
    QTest::newRow("ji") << QByteArray("ji") << Text("Yiddish");
    QTest::newRow("zu, last named row") << QByteArray("zu") << Text("Zulu");
    QTest::newRow("capitals") << QByteArray("EN") << Text("???");
    QTest::newRow("mixed case") << QByteArray("eN") << Text("???");
    QTest::newRow("unknown code") << QByteArray("xx") << Text("???");
    QTest::newRow("one space") << QByteArray(" e") << Text("???");
    QTest::newRow("zero bytes") << QByteArray("\0\0", 2) << Text("???");
    QTest::newRow("high bytes") << QByteArray("\xe9\xff") << Text("???");
}

void TestParser::languages()
{
    QFETCH(QByteArray, code);
    QFETCH(QString, name);
    IfoFixture f = Typical();
    f.audio[1].code = code;
    f.subpictures[2] = code;
    const TIFO ifo = Parse(f.Build());
    // The code is kept byte for byte, whatever it holds.
    QCOMPARE(ifo.Vobs.AudioStreams.at(1).LanguageCode, QString::fromLatin1(code));
    QCOMPARE(ifo.Vobs.AudioStreams.at(1).Language, name);
    QCOMPARE(ifo.Vobs.SubpictureLanguages.at(2), name);
    QCOMPARE(Parser::LanguageName(QString::fromLatin1(code)), name);
}

void TestParser::languageNameOfOtherLengths()
{
    QCOMPARE(Parser::LanguageName(QString()), QStringLiteral("???"));
    QCOMPARE(Parser::LanguageName(QStringLiteral("e")), QStringLiteral("???"));
    QCOMPARE(Parser::LanguageName(QStringLiteral("eng")), QStringLiteral("???"));
}

void TestParser::subpictureCount_data()
{
    QTest::addColumn<int>("word");
    QTest::addColumn<int>("count");

    QTest::newRow("none") << 0x0000 << 0;
    QTest::newRow("three") << 0x0003 << 3;
    // Only the low byte counts.
    QTest::newRow("high byte set") << 0x0103 << 3;
    QTest::newRow("high byte only") << 0xff00 << 0;
    QTest::newRow("the most the format holds") << 0x0020 << 32;
}

void TestParser::subpictureCount()
{
    QFETCH(int, word);
    QFETCH(int, count);
    IfoFixture f = Typical();
    f.subpictures.clear();
    for (int k = 0; k < 32; ++k)
        f.subpictures.append(k % 2 ? "de" : "fr");
    f.subpictureWord = word;
    f.chains[0].subpictureMask = 0xffffffff;
    const TIFO ifo = Parse(f.Build());
    QCOMPARE(int(ifo.Vobs.SubpictureStreamCount), count);
    QCOMPARE(ifo.Vobs.SubpictureLanguages.size(), count);
    if (count > 1)
        QCOMPARE(ifo.Vobs.SubpictureLanguages.mid(0, 2), QStringList({Text("French"), Text("Deutsch")}));
    QCOMPARE(ifo.Pgci.ProgramChains.at(0).SubpictureAvailable.size(), count);
}

void TestParser::streamAvailability()
{
    IfoFixture f = Typical();
    f.audio = {{0, "en", 0}, {0, "fr", 0}, {0, "de", 0}};
    f.subpictures = {"en", "de", "fr", "it", "nl"};
    f.chains[0].audioMask = 0b101;
    f.chains[0].subpictureMask = 0b10010;
    f.chains[1].audioMask = 0b010;
    f.chains[1].subpictureMask = 0;
    const TIFO ifo = Parse(f.Build());
    const QList<QChar> one = {u'1', u'0', u'1'};
    QCOMPARE(ifo.Pgci.ProgramChains.at(0).AudioAvailable, one);
    const QList<QChar> two = {u'0', u'1', u'0', u'0', u'1'};
    QCOMPARE(ifo.Pgci.ProgramChains.at(0).SubpictureAvailable, two);
    const QList<QChar> three = {u'0', u'1', u'0'};
    QCOMPARE(ifo.Pgci.ProgramChains.at(1).AudioAvailable, three);
    const QList<QChar> none = {u'0', u'0', u'0', u'0', u'0'};
    QCOMPARE(ifo.Pgci.ProgramChains.at(1).SubpictureAvailable, none);

    // The id a stream's packets carry: the 4:3 one, or a 16:9 title set's wide one (the
    // fixture's words give 0 and 1; letterbox 2 and pan-scan 3 are for 4:3 screens).
    const QList<int> &ids = ifo.Pgci.ProgramChains.at(0).SubpictureIds;
    QCOMPARE(QList<int>({ids.value(1), ids.value(4)}), QList<int>({0, 0}));
    f.video = 0x5c00; // 16:9
    const QList<int> wide = Parse(f.Build()).Pgci.ProgramChains.at(0).SubpictureIds;
    QCOMPARE(QList<int>({wide.value(1), wide.value(4)}), QList<int>({1, 1}));
}

void TestParser::emptyStreams()
{
    IfoFixture f = Typical();
    f.audio.clear();
    f.subpictures.clear();
    const TIFO ifo = Parse(f.Build());
    QCOMPARE(int(ifo.Vobs.AudioStreamCount), 0);
    QVERIFY(ifo.Vobs.AudioStreams.isEmpty());
    QCOMPARE(int(ifo.Vobs.SubpictureStreamCount), 0);
    QVERIFY(ifo.Vobs.SubpictureLanguages.isEmpty());
    QCOMPARE(ifo.Pgci.ProgramChains.size(), 2);
    for (const TProgramChain &chain : ifo.Pgci.ProgramChains) {
        QVERIFY(chain.AudioAvailable.isEmpty());
        QVERIFY(chain.SubpictureAvailable.isEmpty());
    }
}

void TestParser::playbackTimes_data()
{
    QTest::addColumn<quint32>("bcd");
    QTest::addColumn<QString>("outcome"); // the chain's time, or the error

    QTest::newRow("zero") << 0x00000000u << Text("0:00:00.000");
    QTest::newRow("01 45 23 52: 25 fps, 12 frames") << 0x01452352u << Text("1:45:23.480");
    QTest::newRow("rate bits 11, 15 frames") << 0x000000d5u << Text("0:00:00.500");
    QTest::newRow("rate bits 01, 15 frames") << 0x00000055u << Text("0:00:00.600");
    QTest::newRow("rate bits 00 count as 25") << 0x00000015u << Text("0:00:00.600");
    QTest::newRow("rate bits 10 count as 25") << 0x00000095u << Text("0:00:00.600");
    QTest::newRow("last frame at 25 fps") << 0x00000064u << Text("0:00:00.960");
    QTest::newRow("last frame at 30 fps, rounded") << 0x000000e9u << Text("0:00:00.967");
    QTest::newRow("one frame at 30 fps, rounded") << 0x000000c1u << Text("0:00:00.033");
    QTest::newRow("2 frames at 30 fps, rounded up") << 0x000000c2u << Text("0:00:00.067");
    QTest::newRow("last second of a day") << 0x23595964u << Text("23:59:59.960");
    // The format's hours go to 99; such a chain is odd, but its time is still a time.
    QTest::newRow("24 hours") << 0x24000000u << Text("24:00:00.000");
    QTest::newRow("99 hours") << 0x99595964u << Text("99:59:59.960");
    QTest::newRow("minutes 60") << 0x00600000u << BadTime();
    QTest::newRow("seconds 60") << 0x00006000u << BadTime();
    QTest::newRow("25 frames at 25 fps") << 0x00000065u << BadTime();
    QTest::newRow("30 frames at 30 fps") << 0x000000f0u << BadTime();
    QTest::newRow("39 frames at 25 fps") << 0x00000079u << BadTime();
    QTest::newRow("hour nibble A") << 0x0a000000u << BadTime();
    QTest::newRow("hour tens nibble F") << 0xf0000000u << BadTime();
    QTest::newRow("minute nibble B") << 0x000b0000u << BadTime();
    QTest::newRow("second nibble C") << 0x00000c00u << BadTime();
    QTest::newRow("frame nibble D") << 0x0000004du << BadTime();
    QTest::newRow("all ones") << 0xffffffffu << BadTime();
}

void TestParser::playbackTimes()
{
    QFETCH(quint32, bcd);
    QFETCH(QString, outcome);
    {
        IfoFixture f = Typical();
        f.chains[1].playbackTime = bcd;
        const QString got = Outcome(f.Build());
        if (outcome.startsWith(QLatin1String("The file")))
            QCOMPARE(got, outcome);
        else
            QVERIFY2(got.contains(QStringLiteral("time %1 ").arg(outcome)), qPrintable(got));
    }
    {
        // The same decoding for a cell: the one chapter of chain two is its two cells.
        IfoFixture f = Typical();
        f.chains[1].cellTimes = {bcd, Ms(0)};
        const QString got = Outcome(f.Build());
        if (outcome.startsWith(QLatin1String("The file")))
            QCOMPARE(got, outcome);
        else
            QVERIFY2(got.contains(QStringLiteral("lengths %1").arg(outcome)), qPrintable(got));
    }
}

void TestParser::chapters_data()
{
    QTest::addColumn<QList<int>>("programMap");
    QTest::addColumn<QList<int>>("cellMs");
    QTest::addColumn<int>("cellCount"); // -1: as many as cellMs
    QTest::addColumn<QStringList>("lengths");
    QTest::addColumn<QStringList>("starts");

    const QString zero = Text("0:00:00.000");
    QTest::newRow("one program over five cells") << QList<int>{1} << QList<int>{1000, 2000, 3000, 4000, 5040} << -1
                                                 << QStringList{Text("0:00:15.040")} << QStringList{zero};
    QTest::newRow("programs at cells 1, 3 and 6 of 7")
        << QList<int>{1, 3, 6} << QList<int>{1000, 2000, 3000, 4000, 5000, 6000, 7000} << -1
        << QStringList{Text("0:00:03.000"), Text("0:00:12.000"), Text("0:00:13.000")}
        << QStringList{zero, Text("0:00:03.000"), Text("0:00:15.000")};
    QTest::newRow("a program starting at the next one's cell is empty")
        << QList<int>{1, 3, 3} << QList<int>{1000, 2000, 3000, 4000} << -1
        << QStringList{Text("0:00:03.000"), zero, Text("0:00:07.000")}
        << QStringList{zero, Text("0:00:03.000"), Text("0:00:03.000")};
    QTest::newRow("sums carry into minutes and hours")
        << QList<int>{1, 2} << QList<int>{3599960, 1840, 40} << -1
        << QStringList{Text("0:59:59.960"), Text("0:00:01.880")} << QStringList{zero, Text("0:59:59.960")};
    QTest::newRow("no programs") << QList<int>{} << QList<int>{1000} << -1 << QStringList{} << QStringList{};
    QTest::newRow("programs but no cells")
        << QList<int>{1, 2} << QList<int>{} << -1 << QStringList{zero, zero} << QStringList{zero, zero};
    // Entries are taken from the start of the table whatever cell the first program names.
    QTest::newRow("first program at cell 2")
        << QList<int>{2, 4} << QList<int>{1000, 2000, 3000, 4000, 5000} << -1
        << QStringList{Text("0:00:03.000"), Text("0:00:07.000")} << QStringList{zero, Text("0:00:03.000")};
    // A map that asks for more cells than the chain has takes none past the last one.
    QTest::newRow("map beyond the cell count")
        << QList<int>{1, 9} << QList<int>{1000, 2000, 3000} << -1 << QStringList{Text("0:00:06.000"), zero}
        << QStringList{zero, Text("0:00:06.000")};
    QTest::newRow("map going backwards") << QList<int>{1, 3, 2} << QList<int>{1000, 2000, 3000, 4000} << -1
                                         << QStringList{Text("0:00:03.000"), zero, Text("0:00:07.000")}
                                         << QStringList{zero, Text("0:00:03.000"), Text("0:00:03.000")};
    QTest::newRow("cell count below the entries written")
        << QList<int>{1, 2} << QList<int>{1000, 2000, 3000} << 2
        << QStringList{Text("0:00:01.000"), Text("0:00:02.000")} << QStringList{zero, Text("0:00:01.000")};

    QList<int> map;
    QList<int> cells;
    QStringList lengths;
    QStringList starts;
    for (int j = 0; j < 255; ++j) {
        map.append(j + 1);
        cells.append(40 * (j + 1));
        lengths.append(QStringLiteral("0:00:%1.%2")
                           .arg(40 * (j + 1) / 1000, 2, 10, QLatin1Char('0'))
                           .arg(40 * (j + 1) % 1000, 3, 10, QLatin1Char('0')));
        const int start = 40 * j * (j + 1) / 2;
        starts.append(QStringLiteral("0:%1:%2.%3")
                          .arg(start / 60000, 2, 10, QLatin1Char('0'))
                          .arg(start / 1000 % 60, 2, 10, QLatin1Char('0'))
                          .arg(start % 1000, 3, 10, QLatin1Char('0')));
    }
    QTest::newRow("255 programs of one cell each") << map << cells << -1 << lengths << starts;
}

void TestParser::chapters()
{
    QFETCH(QList<int>, programMap);
    QFETCH(QList<int>, cellMs);
    QFETCH(int, cellCount);
    IfoFixture f = Typical();
    ChainSpec &chain = f.chains[0];
    chain.programMap = programMap;
    chain.cellTimes.clear();
    for (int ms : cellMs)
        chain.cellTimes.append(Ms(ms));
    chain.cellCount = cellCount;
    const TIFO ifo = Parse(f.Build());
    const TProgramChain &got = ifo.Pgci.ProgramChains.at(0);
    QCOMPARE(int(got.ProgramCount), programMap.size());
    QList<quint8> map;
    for (int m : programMap)
        map.append(quint8(m));
    QCOMPARE(got.ProgramMap, map);
    QTEST(got.ChapterDurations, "lengths");
    QTEST(got.ChapterStarts, "starts");
    // The chain after it is read at its own offset, untouched by the odd one.
    QCOMPARE(ifo.Pgci.ProgramChains.at(1).ChapterDurations, QStringList{Text("0:00:04.480")});
}

// The cells of an angle block play one instead of another: the chain's time counts the first
// angle's, and each cell knows its angle.
void TestParser::angleBlocks()
{
    IfoFixture f = Typical();
    ChainSpec &chain = f.chains[0];
    chain.programMap = {1, 2, 5};
    chain.cellTimes = {Ms(1000), Ms(2000), Ms(2000), Ms(2000), Ms(3000)};
    // Outside, an angle block's first, middle and last cells, outside.
    chain.cellCategories = {0x00, 0x50, 0x90, 0xd0, 0x00};
    const TProgramChain &got = Parse(f.Build()).Pgci.ProgramChains.at(0);
    QCOMPARE(got.ChapterDurations, QStringList({Text("0:00:01.000"), Text("0:00:02.000"), Text("0:00:03.000")}));
    QCOMPARE(got.ChapterStarts, QStringList({Text("0:00:00.000"), Text("0:00:01.000"), Text("0:00:03.000")}));
    QList<int> angles, starts;
    for (const TCellSectors &cell : got.CellSectors) {
        angles << cell.Angle;
        starts << int(cell.StartMs);
    }
    QCOMPARE(angles, QList<int>({0, 1, 2, 3, 0}));
    QCOMPARE(starts, QList<int>({0, 1000, 1000, 1000, 3000}));
}

void TestParser::chainsBeyond64KiB()
{
    IfoFixture f = Typical();
    f.pgciSector = 40;
    f.chainGap = 70000;
    const QByteArray data = f.Build();
    QCOMPARE(f.pgciAt, quint64(81920));
    QVERIFY(f.chainAt[0] - f.pgciAt > 65536);
    QVERIFY(f.chainAt[1] - f.pgciAt > 2 * 65536);
    const TIFO ifo = Parse(data);
    QCOMPARE(ifo.Pgci.ProgramChainCount, quint16(2));
    QCOMPARE(ifo.Pgci.ProgramChains.at(0).PlaybackTime, Text("0:00:06.040"));
    QCOMPARE(ifo.Pgci.ProgramChains.at(0).ChapterDurations, QStringList({Text("0:00:03.000"), Text("0:00:03.040")}));
    QCOMPARE(ifo.Pgci.ProgramChains.at(1).PlaybackTime, Text("0:00:04.480"));
    // Same content as the packed file: only the places differ.
    QCOMPARE(Dump(ifo), Dump(Parse(Typical().Build())));
}

void TestParser::sharedChains()
{
    IfoFixture f = Typical();
    f.searchEntries = {1, 0, 1};
    TIFO ifo = Parse(f.Build());
    QCOMPARE(ifo.Pgci.ProgramChainCount, quint16(3));
    QCOMPARE(ifo.Pgci.ProgramChains.size(), 3);
    QCOMPARE(ifo.Pgci.ProgramChains.at(0).PlaybackTime, Text("0:00:04.480"));
    QCOMPARE(ifo.Pgci.ProgramChains.at(1).PlaybackTime, Text("0:00:06.040"));
    QCOMPARE(ifo.Pgci.ProgramChains.at(2).ChapterDurations, ifo.Pgci.ProgramChains.at(0).ChapterDurations);

    // The most entries a table can have, all naming one chain of 255 chapters: quick, and
    // every entry gets the full record.
    ChainSpec big;
    for (int j = 0; j < 255; ++j) {
        big.programMap.append(j + 1);
        big.cellTimes.append(Ms(1000));
    }
    f.chains = {big};
    f.searchEntries = QList<int>(65535, 0);
    QElapsedTimer timer;
    timer.start();
    ifo = Parse(f.Build());
    QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(ifo.Pgci.ProgramChainCount, quint16(65535));
    QCOMPARE(ifo.Pgci.ProgramChains.size(), 65535);
    QCOMPARE(ifo.Pgci.ProgramChains.last().ChapterStarts.last(), Text("0:04:14.000"));
}

void TestParser::damagedFiles_data()
{
    QTest::addColumn<Patch>("patch");
    QTest::addColumn<QString>("error");

    auto row = [](const char *name, Patch patch, const QString &error) { QTest::newRow(name) << patch << error; };
    row(
        "empty file", [](IfoFixture &, QByteArray &d) { d.clear(); }, NotTitleSet());
    row(
        "only part of the identifier", [](IfoFixture &, QByteArray &d) { d.truncate(11); }, NotTitleSet());
    row(
        "video manager file", [](IfoFixture &, QByteArray &d) { d.replace(0, 12, "DVDVIDEO-VMG"); }, NotTitleSet());
    row(
        "identifier alone", [](IfoFixture &, QByteArray &d) { d.truncate(12); }, OutsideFile());
    row(
        "9 audio streams", [](IfoFixture &, QByteArray &d) { Put16(d, 514, 9); },
        Damaged(Text("it lists more than 8 audio streams")));
    row(
        "65535 audio streams", [](IfoFixture &, QByteArray &d) { Put16(d, 514, 0xffff); },
        Damaged(Text("it lists more than 8 audio streams")));
    row(
        "33 subpicture streams", [](IfoFixture &, QByteArray &d) { Put16(d, 596, 33); },
        Damaged(Text("it lists more than 32 subpicture streams")));
    row(
        "255 subpicture streams", [](IfoFixture &, QByteArray &d) { Put16(d, 596, 0x00ff); },
        Damaged(Text("it lists more than 32 subpicture streams")));
    row(
        "chain table sector past the end", [](IfoFixture &, QByteArray &d) { Put32(d, 204, 100); }, OutsideFile());
    row(
        "chain table sector 0xffffffff", [](IfoFixture &, QByteArray &d) { Put32(d, 204, 0xffffffff); }, OutsideFile());
    // Times 2048 this sector is 2^32 + 2048: cut to 32 bits it would land on the real table.
    row(
        "chain table beyond 4 GiB", [](IfoFixture &, QByteArray &d) { Put32(d, 204, 0x200001); }, OutsideFile());
    row(
        "65535 chains in a table of two", [](IfoFixture &f, QByteArray &d) { Put16(d, f.pgciAt, 0xffff); },
        OutsideFile());
    row(
        "chain offset past the end", [](IfoFixture &f, QByteArray &d) { Put32(d, f.pgciAt + 20, quint32(d.size())); },
        OutsideFile());
    // A copy of chain two sits before the table; P + O is 2^32 plus its place, which cut to
    // 32 bits would read it as a good chain.
    row(
        "chain offset beyond 4 GiB",
        [](IfoFixture &f, QByteArray &d) {
            d.replace(800, 286, d.mid(qsizetype(f.chainAt[1]), 286));
            Put32(d, f.pgciAt + 20, quint32((quint64(1) << 32) + 800 - f.pgciAt));
        },
        OutsideFile());
    row(
        "chain offset 0xffffffff", [](IfoFixture &f, QByteArray &d) { Put32(d, f.pgciAt + 12, 0xffffffff); },
        OutsideFile());
    row(
        "program map past the end", [](IfoFixture &f, QByteArray &d) { Put16(d, f.chainAt[1] + 230, 0xfff0); },
        OutsideFile());
    row(
        "cell table past the end", [](IfoFixture &f, QByteArray &d) { Put16(d, f.chainAt[1] + 232, 0xffff); },
        OutsideFile());
    row(
        "255 cells in a table of two", [](IfoFixture &f, QByteArray &d) { Put8(d, f.chainAt[1] + 3, 255); },
        OutsideFile());
    row(
        "chains overlapping",
        [](IfoFixture &f, QByteArray &d) { Put32(d, f.pgciAt + 20, quint32(f.chainAt[0] - f.pgciAt + 235)); },
        Damaged(Text("two of its program chains overlap")));
    row(
        "chains just apart",
        [](IfoFixture &f, QByteArray &d) {
            // The second chain's fixed part right after the first one's: legal, and it then
            // reads the first chain's program map as its own header tail.
            Put32(d, f.pgciAt + 20, quint32(f.chainAt[0] - f.pgciAt + 236));
            Put16(d, f.chainAt[0] + 236 + 230, 0);
            Put16(d, f.chainAt[0] + 236 + 232, 0);
            Put8(d, f.chainAt[0] + 236 + 2, 0);
            Put8(d, f.chainAt[0] + 236 + 3, 0);
        },
        QString());
    row(
        "invalid cell time", [](IfoFixture &f, QByteArray &d) { Put32(d, f.cellTableAt[0] + 24 + 4, 0x00990000); },
        BadTime());
}

void TestParser::damagedFiles()
{
    QFETCH(Patch, patch);
    QFETCH(QString, error);
    IfoFixture f = Typical();
    QByteArray data = f.Build();
    patch(f, data);
    const QString got = Outcome(data);
    if (error.isEmpty())
        QVERIFY2(!got.startsWith(QLatin1String("The file")), qPrintable(got));
    else
        QCOMPARE(got, error);
}

void TestParser::everyTruncation()
{
    IfoFixture f = Typical();
    const QByteArray full = f.Build();
    const QString whole = Outcome(full);
    QVERIFY2(!whole.startsWith(QLatin1String("The file")), qPrintable(whole));
    // The last bytes read are the time of the second chain's last cell.
    const qsizetype needed = qsizetype(f.cellTableAt[1] + 24 + 8);
    QVERIFY(needed < full.size());
    for (qsizetype length = 0; length <= full.size(); ++length) {
        const QString got = Outcome(full.left(length));
        const QString expected = length < 12 ? NotTitleSet() : length < needed ? OutsideFile() : whole;
        if (got != expected)
            QFAIL(qPrintable(QStringLiteral("cut at %1 bytes: %2").arg(length).arg(got)));
    }
}

void TestParser::randomDamage()
{
    // Whatever the bytes, the parse ends with a record or with one of our errors.
    QRandomGenerator random(20261210);
    const QByteArray full = Typical().Build();
    for (int round = 0; round < 3000; ++round) {
        QByteArray data = full;
        const int changes = 1 + int(random.bounded(8));
        for (int c = 0; c < changes; ++c) {
            // Mostly the places that steer the parse, sometimes anywhere.
            const quint32 pos =
                random.bounded(4) ? 512 + random.bounded(quint32(120)) : random.bounded(quint32(data.size()));
            data[qsizetype(pos)] = char(random.bounded(256));
        }
        if (round % 3 == 0)
            data.truncate(qsizetype(random.bounded(quint32(data.size()))));
        if (round % 5 == 0) {
            const quint64 chainPart = 2048 + random.bounded(quint32(data.size() - 2048 + 1));
            for (int c = 0; c < 16 && qsizetype(chainPart) + c < data.size(); ++c)
                data[qsizetype(chainPart) + c] = char(random.bounded(256));
        }
        try {
            Parser::ParseIfo(data, Name);
        } catch (const EQuarnelError &e) {
            QVERIFY2(e.text().startsWith(QStringLiteral("The file %1 ").arg(Name)), qPrintable(e.text()));
        }
    }
    for (int round = 0; round < 300; ++round) {
        QByteArray data(qsizetype(random.bounded(6000)), '\0');
        for (char &b : data)
            b = char(random.bounded(256));
        if (round % 2 == 0)
            data.replace(0, qMin<qsizetype>(12, data.size()), "DVDVIDEO-VTS");
        try {
            Parser::ParseIfo(data, Name);
        } catch (const EQuarnelError &e) {
            QVERIFY2(e.text().startsWith(QStringLiteral("The file %1 ").arg(Name)), qPrintable(e.text()));
        }
    }
}

void TestParser::fromDisk()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("VTS_01_0.IFO"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    const QByteArray data = Typical().Build();
    file.write(data);
    file.close();
    QCOMPARE(Dump(Parser::ParseIfo(path)), Dump(Parse(data)));

    // The name in a message is the file's.
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(data.left(1000));
    file.close();
    try {
        Parser::ParseIfo(path);
        QFAIL("no error");
    } catch (const EQuarnelError &e) {
        QCOMPARE(e.text(), QStringLiteral("The file %1 is damaged: its structure points outside the file.").arg(path));
    }
}

void TestParser::unreadableFiles_data()
{
    QTest::addColumn<QString>("setup"); // what to put at the path
    QTest::addColumn<QString>("error"); // %1 is the path

    QTest::newRow("missing") << Text("missing") << Text("Cannot read the file %1: No such file or directory.");
    QTest::newRow("folder") << Text("folder") << Text("Cannot read the file %1: ");
    QTest::newRow("one byte too large") << Text("large")
                                        << Text("The file %1 is too large to be a DVD title-set information file.");
    // A device has no size to check first: the read itself must stop.
    QTest::newRow("link to an endless device")
        << Text("zero") << Text("The file %1 is too large to be a DVD title-set information file.");
}

void TestParser::unreadableFiles()
{
    QFETCH(QString, setup);
    QFETCH(QString, error);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("VTS_01_0.IFO"));
    if (setup == QLatin1String("folder")) {
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("VTS_01_0.IFO")));
    } else if (setup == QLatin1String("large")) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(Typical().Build());
        QVERIFY(file.resize(Parser::MaxIfoSize + 1));
    } else if (setup == QLatin1String("zero")) {
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
    }
    try {
        Parser::ParseIfo(path);
        QFAIL("no error");
    } catch (const EQuarnelError &e) {
        QVERIFY2(e.text().startsWith(error.arg(path)), qPrintable(e.text()));
        QVERIFY(e.text().endsWith(QLatin1Char('.')));
    }
}

QTEST_GUILESS_MAIN(TestParser)
#include "TestParser.moc"
