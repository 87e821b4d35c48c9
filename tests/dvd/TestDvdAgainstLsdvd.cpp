// Our parser and DVD library read the generated discs; lsdvd, an independent reader,
// reads the same discs, and both must tell the same story.

#include "TestSupport.h"

#include "dvd/DvdLibrary.h"
#include "dvd/Parser.h"

#include <QDir>
#include <QProcess>
#include <QtTest>

namespace {

// lsdvd's Python output: dicts, lists, quoted strings and numbers, trailing commas allowed.
class PythonLiteral
{
public:
    explicit PythonLiteral(const QByteArray &text) : m_text(text) { }

    QVariant Parse()
    {
        m_pos = m_text.indexOf('{');
        if (m_pos < 0)
            throw QStringLiteral("no dict in lsdvd's output");
        return Value();
    }

private:
    void Skip()
    {
        while (m_pos < m_text.size() && QChar::isSpace(uchar(m_text[m_pos])))
            ++m_pos;
    }

    char Peek()
    {
        Skip();
        if (m_pos >= m_text.size())
            throw QStringLiteral("lsdvd's output ends early");
        return m_text[m_pos];
    }

    void Expect(char c)
    {
        if (Peek() != c)
            throw QStringLiteral("expected '%1' at %2 of lsdvd's output").arg(QLatin1Char(c)).arg(m_pos);
        ++m_pos;
    }

    QVariant Value()
    {
        const char c = Peek();
        if (c == '{') {
            ++m_pos;
            QVariantMap map;
            while (Peek() != '}') {
                const QString key = Value().toString();
                Expect(':');
                map.insert(key, Value());
                if (Peek() == ',')
                    ++m_pos;
            }
            ++m_pos;
            return map;
        }
        if (c == '[') {
            ++m_pos;
            QVariantList list;
            while (Peek() != ']') {
                list.append(Value());
                if (Peek() == ',')
                    ++m_pos;
            }
            ++m_pos;
            return list;
        }
        if (c == '\'' || c == '"') {
            QByteArray s;
            for (++m_pos; m_pos < m_text.size() && m_text[m_pos] != c; ++m_pos) {
                if (m_text[m_pos] == '\\' && m_pos + 1 < m_text.size())
                    ++m_pos;
                s.append(m_text[m_pos]);
            }
            ++m_pos;
            return QString::fromLatin1(s);
        }
        const qsizetype start = m_pos;
        while (m_pos < m_text.size()
               && (QChar::isLetterOrNumber(uchar(m_text[m_pos])) || m_text[m_pos] == '.' || m_text[m_pos] == '-'))
            ++m_pos;
        if (m_pos == start)
            throw QStringLiteral("unexpected '%1' at %2 of lsdvd's output").arg(QLatin1Char(c)).arg(m_pos);
        return QString::fromLatin1(m_text.mid(start, m_pos - start));
    }

    const QByteArray m_text;
    qsizetype m_pos = 0;
};

// "h:mm:ss.zzz" to milliseconds.
qint64 TextMs(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() != 3)
        return -1;
    return qRound64((parts[0].toLongLong() * 3600 + parts[1].toLongLong() * 60 + parts[2].toDouble()) * 1000);
}

qint64 LsdvdMs(const QVariant &seconds)
{
    return qRound64(seconds.toString().toDouble() * 1000);
}

QStringList DiscFolders()
{
    const QDir root(TestDvdsDir());
    QStringList discs;
    for (const QString &name : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        if (QFile::exists(root.filePath(name + QStringLiteral("/VIDEO_TS/VIDEO_TS.IFO"))))
            discs.append(root.filePath(name));
    }
    return discs;
}

} // namespace

// A failed comparison names the title (the variable "where" of the loop).
#define CHECK(cond, what)                                                                                              \
    do {                                                                                                               \
        if (!(cond))                                                                                                   \
            QFAIL(qPrintable(where + (what)));                                                                         \
    } while (0)

class TestDvdAgainstLsdvd : public QObject
{
    Q_OBJECT

private slots:
    void agrees_data();
    void agrees();
};

void TestDvdAgainstLsdvd::agrees_data()
{
    QTest::addColumn<QString>("disc");
    const QStringList discs = DiscFolders();
    // The fixture makes the set; without it there is nothing to compare, which is a failure.
    if (discs.isEmpty())
        QTest::newRow("no test DVDs") << QString();
    for (const QString &disc : discs)
        QTest::newRow(qPrintable(QFileInfo(disc).fileName())) << disc;
}

void TestDvdAgainstLsdvd::agrees()
{
    QFETCH(QString, disc);
    QVERIFY2(!disc.isEmpty(), qPrintable(QStringLiteral("no test DVDs in %1").arg(TestDvdsDir())));
    const QString videoTs = disc + QStringLiteral("/VIDEO_TS");

    QProcess lsdvd;
    lsdvd.start(QStringLiteral("lsdvd"), {QStringLiteral("-x"), QStringLiteral("-Oy"), disc});
    QVERIFY2(lsdvd.waitForFinished(60000), "lsdvd did not finish");
    QCOMPARE(lsdvd.exitCode(), 0);
    QVariantMap theirs;
    try {
        theirs = PythonLiteral(lsdvd.readAllStandardOutput()).Parse().toMap();
    } catch (const QString &error) {
        QFAIL(qPrintable(error));
    }
    const QVariantList tracks = theirs.value(QStringLiteral("track")).toList();
    QVERIFY(!tracks.isEmpty());

    QList<TIFO> titleSets;
    const QDir dir(videoTs);
    for (const QString &name : dir.entryList({QStringLiteral("VTS_*_0.IFO")}, QDir::Files, QDir::Name))
        titleSets.append(Parser::ParseIfo(dir.filePath(name)));

    const DvdLibrary::Handle dvd = DvdLibrary::DVD_OpenDVD(videoTs);
    QCOMPARE(DvdLibrary::DVD_GetTitleNum(dvd), tracks.size());

    for (int i = 0; i < tracks.size(); ++i) {
        const QVariantMap track = tracks[i].toMap();
        const QString where = QStringLiteral("title %1: ").arg(i + 1);

        QCOMPARE(track.value(QStringLiteral("ix")).toInt(), i + 1);
        int titleSet = -2;
        int chain = -2;
        DvdLibrary::DVD_GetIndexInfo(dvd, i, titleSet, chain);
        CHECK(titleSet == track.value(QStringLiteral("vts")).toInt() - 1,
              QStringLiteral("title set %1, lsdvd says VTS %2")
                  .arg(titleSet)
                  .arg(track.value(QStringLiteral("vts")).toInt()));
        CHECK(titleSet < titleSets.size(), QStringLiteral("no parsed title set %1").arg(titleSet));
        const TIFO &ifo = titleSets[titleSet];
        CHECK(chain >= 0 && chain < ifo.Pgci.ProgramChains.size(), QStringLiteral("chain %1").arg(chain));
        const TProgramChain &k = ifo.Pgci.ProgramChains[chain];
        CHECK(DvdLibrary::DVD_GetTitleAngle(dvd, i) == track.value(QStringLiteral("angles")).toInt(),
              QStringLiteral("angles"));

        // lsdvd counts NTSC frames at 29.97 per second, we at 30: under a millisecond a cell.
        const qint64 slack = 1 + k.CellCount;
        const qint64 length = TextMs(k.PlaybackTime);
        CHECK(qAbs(length - LsdvdMs(track.value(QStringLiteral("length")))) <= slack,
              QStringLiteral("length %1, lsdvd %2")
                  .arg(k.PlaybackTime, track.value(QStringLiteral("length")).toString()));

        const TVideoStream &video = ifo.Vobs.VideoStream;
        CHECK(video.Standard == track.value(QStringLiteral("format")).toString(),
              QStringLiteral("standard ") + video.Standard);
        CHECK(video.AspectRatio
                  == track.value(QStringLiteral("aspect")).toString().replace(QLatin1Char('/'), QLatin1Char(':')),
              QStringLiteral("aspect ") + video.AspectRatio);
        CHECK(video.Resolution
                  == track.value(QStringLiteral("width")).toString() + QLatin1Char('x')
                         + track.value(QStringLiteral("height")).toString(),
              QStringLiteral("resolution ") + video.Resolution);

        const QVariantList chapters = track.value(QStringLiteral("chapter")).toList();
        CHECK(k.ProgramCount == chapters.size(),
              QStringLiteral("%1 chapters, lsdvd %2").arg(k.ProgramCount).arg(chapters.size()));
        CHECK(k.CellCount == track.value(QStringLiteral("cell")).toList().size(), QStringLiteral("cell count"));
        qint64 start = 0;
        for (int j = 0; j < chapters.size(); ++j) {
            const QVariantMap chapter = chapters[j].toMap();
            const qint64 theirLength = LsdvdMs(chapter.value(QStringLiteral("length")));
            CHECK(k.ProgramMap[j] == chapter.value(QStringLiteral("startcell")).toInt(),
                  QStringLiteral("chapter %1 cell").arg(j + 1));
            CHECK(qAbs(TextMs(k.ChapterDurations[j]) - theirLength) <= slack,
                  QStringLiteral("chapter %1 length %2").arg(j + 1).arg(k.ChapterDurations[j]));
            CHECK(qAbs(TextMs(k.ChapterStarts[j]) - start) <= slack,
                  QStringLiteral("chapter %1 start %2").arg(j + 1).arg(k.ChapterStarts[j]));
            start += theirLength;
        }

        // lsdvd lists the streams the chain marks available, as we do.
        QStringList ourAudio;
        for (int s = 0; s < ifo.Vobs.AudioStreamCount; ++s) {
            if (k.AudioAvailable[s] == QLatin1Char('1')) {
                const TAudioStream &a = ifo.Vobs.AudioStreams[s];
                ourAudio.append(
                    QStringLiteral("%1 %2 %3ch").arg(a.LanguageCode, a.CodingMode.toLower()).arg(a.Channels));
            }
        }
        QStringList theirAudio;
        for (const QVariant &v : track.value(QStringLiteral("audio")).toList()) {
            const QVariantMap a = v.toMap();
            // lsdvd pads its shorter names ("lpcm ").
            QString format = a.value(QStringLiteral("format")).toString().trimmed();
            if (format == QLatin1String("mpeg2ext"))
                format = QStringLiteral("mpeg2");
            theirAudio.append(QStringLiteral("%1 %2 %3ch")
                                  .arg(a.value(QStringLiteral("langcode")).toString(), format,
                                       a.value(QStringLiteral("channels")).toString()));
        }
        CHECK(ourAudio == theirAudio,
              QStringLiteral("audio [%1], lsdvd [%2]")
                  .arg(ourAudio.join(QLatin1String(", ")), theirAudio.join(QLatin1String(", "))));

        QStringList ourSubtitles;
        for (int s = 0; s < ifo.Vobs.SubpictureStreamCount; ++s) {
            if (k.SubpictureAvailable[s] == QLatin1Char('1'))
                ourSubtitles.append(ifo.Vobs.SubpictureLanguages[s]);
        }
        const QVariantList subp = track.value(QStringLiteral("subp")).toList();
        CHECK(ourSubtitles.size() == subp.size(),
              QStringLiteral("%1 subtitles, lsdvd %2").arg(ourSubtitles.size()).arg(subp.size()));
        // lsdvd fills its list by stream number but prints it by position, so a chain whose
        // first stream is absent comes out as "(null)": compare names only where it has them.
        QStringList theirSubtitles;
        bool complete = true;
        for (const QVariant &v : subp) {
            const QString code = v.toMap().value(QStringLiteral("langcode")).toString();
            complete = complete && code != QLatin1String("(null)");
            theirSubtitles.append(Parser::LanguageName(code));
        }
        if (complete)
            CHECK(ourSubtitles == theirSubtitles,
                  QStringLiteral("subtitles [%1], lsdvd [%2]")
                      .arg(ourSubtitles.join(QLatin1String(", ")), theirSubtitles.join(QLatin1String(", "))));
    }
}

QTEST_GUILESS_MAIN(TestDvdAgainstLsdvd)
#include "TestDvdAgainstLsdvd.moc"
