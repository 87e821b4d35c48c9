#include "ProfileTestWindows.h"

#include "convert/commands/OptionBuilder.h"
#include "convert/commands/TMencOutputSettings.h"
#include "convert/commands/TranscoderCommand.h"
#include "core/OutputExt.h"
#include "core/QuarnelApplication.h"
#include "profiles/TValueListEditor.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

// Converts a short clip like the encoder's intermediate file with FFmpeg and the transcoder
// options of every shipped profile, choosing every item of every list row at least once, and
// checks with ffprobe that the file holds what the chosen rows promised.
namespace {

constexpr double kClipSeconds = 2.0;
const QString kCustomSize = QStringLiteral("400x300"); // what the size dialog hands back

// What the captions promise, as ffprobe names it.
const QHash<QString, QString> kVideoCodecs{{QStringLiteral("MPEG-4"), QStringLiteral("mpeg4")},
                                           {QStringLiteral("Xvid"), QStringLiteral("mpeg4")},
                                           {QStringLiteral("MPEG-1"), QStringLiteral("mpeg1video")},
                                           {QStringLiteral("MPEG-2"), QStringLiteral("mpeg2video")},
                                           {QStringLiteral("H.264"), QStringLiteral("h264")},
                                           {QStringLiteral("H.264 Baseline"), QStringLiteral("h264")},
                                           {QStringLiteral("H.265"), QStringLiteral("hevc")},
                                           {QStringLiteral("AV1"), QStringLiteral("av1")},
                                           {QStringLiteral("Windows Media Video 8"), QStringLiteral("wmv2")},
                                           {QStringLiteral("Windows Media Video 7"), QStringLiteral("wmv1")},
                                           {QStringLiteral("Sorenson H.263"), QStringLiteral("flv1")},
                                           {QStringLiteral("Theora"), QStringLiteral("theora")},
                                           {QStringLiteral("VP8"), QStringLiteral("vp8")},
                                           {QStringLiteral("VP9"), QStringLiteral("vp9")}};
const QHash<QString, QString> kAudioCodecs{{QStringLiteral("MP3"), QStringLiteral("mp3")},
                                           {QStringLiteral("AC-3"), QStringLiteral("ac3")},
                                           {QStringLiteral("MPEG Audio Layer 2"), QStringLiteral("mp2")},
                                           {QStringLiteral("AAC"), QStringLiteral("aac")},
                                           {QStringLiteral("Windows Media Audio 2"), QStringLiteral("wmav2")},
                                           {QStringLiteral("Windows Media Audio 1"), QStringLiteral("wmav1")},
                                           {QStringLiteral("PCM (uncompressed)"), QStringLiteral("pcm_s16le")},
                                           {QStringLiteral("Vorbis"), QStringLiteral("vorbis")},
                                           {QStringLiteral("Opus"), QStringLiteral("opus")},
                                           // through a file, as here: kept lossless as decoded
                                           {QStringLiteral("Original (no re-encoding)"), QStringLiteral("flac")}};
const QHash<QString, QString> kContainers{{QStringLiteral("avi"), QStringLiteral("avi")},
                                          {QStringLiteral("mpg"), QStringLiteral("mpeg")},
                                          {QStringLiteral("mp4"), QStringLiteral("mov,mp4,m4a,3gp,3g2,mj2")},
                                          {QStringLiteral("mov"), QStringLiteral("mov,mp4,m4a,3gp,3g2,mj2")},
                                          {QStringLiteral("wmv"), QStringLiteral("asf")},
                                          {QStringLiteral("flv"), QStringLiteral("flv")},
                                          {QStringLiteral("mkv"), QStringLiteral("matroska,webm")},
                                          {QStringLiteral("webm"), QStringLiteral("matroska,webm")}};

double Ratio(const QString &text) // "30000/1001", "16:9", "25"
{
    const QStringList parts = text.split(QRegularExpression(QStringLiteral("[/:]")));
    if (parts.size() == 2 && parts.at(1).toDouble() != 0)
        return parts.at(0).toDouble() / parts.at(1).toDouble();
    return text.toDouble();
}

bool Near(double actual, double expected, double tolerance)
{
    return qAbs(actual - expected) <= tolerance * expected;
}

QString Run(const QString &program, const QStringList &arguments, int &exitCode)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
    }
    exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromLocal8Bit(process.readAll());
}

// The text the grid shows for the row `key`, or empty.
QString Shown(TValueListEditor *const grids[3], const QString &key)
{
    for (int g = 0; g < 3; ++g) {
        int row = -1;
        if (grids[g]->FindRow(key, row))
            return grids[g]->ValueAt(row);
    }
    return {};
}

} // namespace

class TestShippedProfiles : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_work.isValid());
        m_clip = m_work.filePath(QStringLiteral("temp.avi"));
        int code = 0;
        const QString output =
            Run(QStringLiteral("ffmpeg"),
                {QStringLiteral("-nostdin"), QStringLiteral("-y"), QStringLiteral("-f"), QStringLiteral("lavfi"),
                 QStringLiteral("-i"), QStringLiteral("testsrc=size=320x240:rate=25:duration=2"), QStringLiteral("-f"),
                 QStringLiteral("lavfi"), QStringLiteral("-i"),
                 QStringLiteral("sine=frequency=440:sample_rate=44100:duration=2"), QStringLiteral("-ac"),
                 QStringLiteral("2"), QStringLiteral("-c:v"), QStringLiteral("mpeg4"), QStringLiteral("-c:a"),
                 QStringLiteral("libmp3lame"), m_clip},
                code);
        QVERIFY2(code == 0, qPrintable(output));
    }

    void convert_data()
    {
        QTest::addColumn<QString>("profile");
        QTest::addColumn<int>("round");
        TestProgramFolder folder;
        const QStringList files =
            QDir(folder.file(QStringLiteral("Profiles"))).entryList({QStringLiteral("*.apf")}, QDir::Files);
        QVERIFY(!files.isEmpty());
        ProfileTestWindows w(folder);
        for (const QString &file : files) {
            ProfileTestWindows::Choose(w.main.cmbProfile, file.chopped(4));
            int rounds = 1;
            for (TValueListEditor *grid : {w.main.vleVideo, w.main.vleAudio, w.main.vleAdvanced}) {
                for (int r = 0; r < grid->RowCount(); ++r)
                    rounds = qMax<int>(rounds, grid->PickList(r).size());
            }
            for (int round = 0; round < rounds; ++round)
                QTest::addRow("%s, round %d", qPrintable(file.chopped(4)), round) << file.chopped(4) << round;
        }
    }
    void convert()
    {
        QFETCH(QString, profile);
        QFETCH(int, round);
        TestProgramFolder folder;
        ProfileTestWindows w(folder);
        w.profiles->SetCustomSizeHandler([&] { w.main.vleVideo->SetValue(QStringLiteral("Video Size"), kCustomSize); });
        ProfileTestWindows::Choose(w.main.cmbProfile, profile);

        // Item `round` of every list row (round-robin), as the user picks it; a free row is
        // typed over in odd rounds.
        TValueListEditor *const grids[3] = {w.main.vleVideo, w.main.vleAudio, w.main.vleAdvanced};
        for (TValueListEditor *grid : grids) {
            for (int r = 0; r < grid->RowCount(); ++r) {
                grid->setCurrentCell(r, 1);
                const QStringList items = grid->PickList(r);
                if (!items.isEmpty())
                    grid->SetValueAt(r, items.at(round % items.size()));
                else if (!grid->ReadOnly(r) && round % 2 == 1)
                    grid->SetValueAt(r, QStringLiteral("1000000"));
            }
        }
        const QString file = folder.file(QStringLiteral("Profiles/") + profile + QStringLiteral(".apf"));
        const QString options = BuildTranscoderOptions(file, *w.profiles);
        TTranscoderOptions pieces;
        pieces.Arguments = options.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        // A height alone ("x480") is the program's to work out: FFmpeg takes no such size.
        TMencOutputSettings settings;
        BuildEncoderOptions(file, *w.profiles, settings);
        if (settings.OutputSize.startsWith(QLatin1Char(':')))
            FitTranscoderToFrame(pieces, settings, QStringLiteral("4:3"));
        // The original sound through a file is the program's to turn into FLAC, as it does.
        if (Shown(grids, QStringLiteral("Audio Codec")) == u"Original (no re-encoding)")
            RaiseSound(pieces);
        const QString target = m_work.filePath(QStringLiteral("out") + OutputExt());
        QFile::remove(target);
        int code = 0;
        const QStringList arguments =
            QStringList{QStringLiteral("-nostdin"), QStringLiteral("-y"), QStringLiteral("-i"), m_clip}
            + pieces.Arguments + QStringList{target};
        const QString log = Run(QStringLiteral("ffmpeg"), arguments, code);
        QVERIFY2(code == 0 && QFile::exists(target), qPrintable(options + QLatin1Char('\n') + log.right(1500)));
        // Accepted is not enough: a switch FFmpeg calls ambiguous or deprecated may be read
        // differently by the next FFmpeg.
        for (const char *complaint : {"ambiguous", "deprecated", "Please use"})
            QVERIFY2(!log.contains(QLatin1String(complaint), Qt::CaseInsensitive),
                     qPrintable(options + QLatin1Char('\n') + log));

        const QString probeText = Run(QStringLiteral("ffprobe"),
                                      {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-print_format"),
                                       QStringLiteral("json"), QStringLiteral("-count_frames"),
                                       QStringLiteral("-show_format"), QStringLiteral("-show_streams"), target},
                                      code);
        QCOMPARE(code, 0);
        const QJsonObject probe = QJsonDocument::fromJson(probeText.toUtf8()).object();
        QJsonObject video, audio;
        for (const QJsonValue &stream : probe.value(QStringLiteral("streams")).toArray()) {
            const QString type = stream.toObject().value(QStringLiteral("codec_type")).toString();
            (type == u"video" ? video : type == u"audio" ? audio : video) = stream.toObject();
        }
        const QJsonObject format = probe.value(QStringLiteral("format")).toObject();
        const QString what = options + QStringLiteral("\n") + probeText.left(3000);

        QVERIFY2(kContainers.contains(OutputExt().mid(1)), qPrintable(OutputExt()));
        QCOMPARE(format.value(QStringLiteral("format_name")).toString(), kContainers.value(OutputExt().mid(1)));
        // The span loosely: coder delays and the last frame's length add a little.
        const double span = format.value(QStringLiteral("duration")).toString().toDouble();
        QVERIFY2(Near(span, kClipSeconds, 0.15), qPrintable(what));

        // Video: codec, frame size, frame rate and display aspect.
        const QString codec = Shown(grids, QStringLiteral("Video Codec"));
        QVERIFY2(kVideoCodecs.contains(codec), qPrintable(codec));
        QCOMPARE(video.value(QStringLiteral("codec_name")).toString(), kVideoCodecs.value(codec));
        const QString sizeText = Shown(grids, QStringLiteral("Video Size"));
        QString size = sizeText == u"Original Size" ? QStringLiteral("320x240") : sizeText;
        // "Height 480": the clip's 4:3 at that height.
        if (sizeText.startsWith(u"Height "))
            size = QStringLiteral("%1x%2").arg(sizeText.mid(7).toInt() * 4 / 3).arg(sizeText.mid(7));
        size = QRegularExpression(QStringLiteral("\\d+x\\d+")).match(size).captured();
        QVERIFY2(!size.isEmpty(), qPrintable(sizeText));
        QCOMPARE(QString::number(video.value(QStringLiteral("width")).toInt()) + QLatin1Char('x')
                     + QString::number(video.value(QStringLiteral("height")).toInt()),
                 size);
        const QString rateText = Shown(grids, QStringLiteral("Frame Rate"));
        const double rate =
            rateText.isEmpty() || rateText == u"Original" ? 25.0 : rateText.section(QLatin1Char(' '), 0, 0).toDouble();
        QString measured = video.value(QStringLiteral("avg_frame_rate")).toString();
        if (Ratio(measured) == 0)
            measured = video.value(QStringLiteral("r_frame_rate")).toString();
        QVERIFY2(Near(Ratio(measured), rate, 0.01), qPrintable(what));
        // No part of the picture lost. FFmpeg drops or repeats pictures for a new rate only
        // where the container needs it; elsewhere the source's 25 a second stay.
        const int frames = video.value(QStringLiteral("nb_read_frames")).toString().toInt();
        QVERIFY2(frames >= kClipSeconds * qMin(rate, 25.0) - 3 && frames <= kClipSeconds * qMax(rate, 25.0) + 3,
                 qPrintable(QString::number(frames) + QLatin1Char(' ') + what));
        const QString aspectText = Shown(grids, QStringLiteral("Aspect"));
        if (!aspectText.isEmpty()) {
            const double aspect = aspectText == u"Original" ? 4.0 / 3.0 : Ratio(aspectText);
            QVERIFY2(Near(Ratio(video.value(QStringLiteral("display_aspect_ratio")).toString()), aspect, 0.03),
                     qPrintable(what)); // MPEG-1 knows only a few pixel shapes
        }

        // Audio: gone when disabled; else codec, sample rate and channels as chosen.
        if (Shown(grids, QStringLiteral("Disable Audio")) == u"Yes") {
            QVERIFY2(audio.isEmpty(), qPrintable(what));
            return;
        }
        const QString audioCodec = Shown(grids, QStringLiteral("Audio Codec"));
        QVERIFY2(kAudioCodecs.contains(audioCodec), qPrintable(audioCodec));
        QCOMPARE(audio.value(QStringLiteral("codec_name")).toString(), kAudioCodecs.value(audioCodec));
        const QString sampleRate = Shown(grids, QStringLiteral("Sample Rate")).section(QLatin1Char(' '), 0, 0);
        QCOMPARE(audio.value(QStringLiteral("sample_rate")).toString(),
                 sampleRate.isEmpty() ? QStringLiteral("44100") : sampleRate);
        const QString channels = Shown(grids, QStringLiteral("Channels"));
        QCOMPARE(audio.value(QStringLiteral("channels")).toInt(), channels == u"Mono" ? 1 : 2);
    }

private:
    // For the whole run: the data function opens windows too.
    FakePowerManager m_power;
    QTemporaryDir m_work;
    QString m_clip;
};

int main(int argc, char **argv)
{
    QuarnelApplication app(argc, argv);
    TestShippedProfiles test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestShippedProfiles.moc"
