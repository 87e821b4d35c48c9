#include "ConvertTestSupport.h"

#include "TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>

#include <cmath>

bool ShownGrids::FindRow(int sort, const QString &name, QString &value, QStringList &pickList) const
{
    if (!m_values.FindRow(sort, name, value, pickList))
        return false;
    const auto it = m_changed.constFind(name.toLower());
    if (it != m_changed.constEnd())
        value = *it;
    return true;
}

bool LinkTools(const QString &programFolder)
{
    const QString mencoder = QStandardPaths::findExecutable(QStringLiteral("mencoder"));
    const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    if (mencoder.isEmpty() || ffmpeg.isEmpty())
        return false;
    const QDir dir(programFolder);
    return QFile::link(mencoder, dir.filePath(QStringLiteral("asapi.dll")))
        && QFile::link(ffmpeg, dir.filePath(QStringLiteral("wmaspi.dll")));
}

void RecordingHost::HideBusyHint(std::function<void()> whenClosed)
{
    ++hintsHidden;
    // Later, as the window's animation would.
    QTimer::singleShot(0, QCoreApplication::instance(), std::move(whenClosed));
}

QStringList RecordingHost::Texts() const
{
    QStringList texts;
    for (const Message &m : messages)
        texts << m.text;
    return texts;
}

QHash<QString, QString> Probe(const QString &file)
{
    QProcess p;
    p.start(QStringLiteral("ffprobe"),
            {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
             QStringLiteral("format=format_name,duration:stream=codec_type,codec_name,width,height"),
             QStringLiteral("-of"), QStringLiteral("json"), file});
    p.waitForFinished(30000);
    const QJsonObject root = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
    QHash<QString, QString> facts;
    const QJsonObject format = root.value(QStringLiteral("format")).toObject();
    facts.insert(QStringLiteral("format_name"), format.value(QStringLiteral("format_name")).toString());
    facts.insert(QStringLiteral("duration"), format.value(QStringLiteral("duration")).toString());
    for (const QJsonValue &v : root.value(QStringLiteral("streams")).toArray()) {
        const QJsonObject stream = v.toObject();
        const QString prefix = stream.value(QStringLiteral("codec_type")).toString() + QLatin1Char('.');
        if (facts.contains(prefix + QStringLiteral("codec_name")))
            continue; // the first stream of a type
        facts.insert(prefix + QStringLiteral("codec_name"), stream.value(QStringLiteral("codec_name")).toString());
        if (stream.contains(QStringLiteral("width"))) {
            facts.insert(prefix + QStringLiteral("width"),
                         QString::number(stream.value(QStringLiteral("width")).toInt()));
            facts.insert(prefix + QStringLiteral("height"),
                         QString::number(stream.value(QStringLiteral("height")).toInt()));
        }
    }
    return facts;
}

ViewerFacts Watch(const QString &file)
{
    ViewerFacts f;
    QProcess probe;
    probe.start(QStringLiteral("ffprobe"),
                {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-count_frames"),
                 QStringLiteral("-select_streams"), QStringLiteral("v:0"), QStringLiteral("-show_entries"),
                 QStringLiteral("stream=nb_read_frames,width,height,sample_aspect_ratio,avg_frame_rate"),
                 QStringLiteral("-of"), QStringLiteral("json"), file});
    probe.waitForFinished(120000);
    const QJsonObject video = QJsonDocument::fromJson(probe.readAllStandardOutput())
                                  .object()
                                  .value(QStringLiteral("streams"))
                                  .toArray()
                                  .first()
                                  .toObject();
    f.Frames = video.value(QStringLiteral("nb_read_frames")).toString().toLongLong();
    auto ratio = [](const QString &text, QChar separator) {
        const QStringList parts = text.split(separator);
        return parts.size() == 2 && parts.at(1).toDouble() != 0 ? parts.at(0).toDouble() / parts.at(1).toDouble() : 1.0;
    };
    f.FrameRate = ratio(video.value(QStringLiteral("avg_frame_rate")).toString(), QLatin1Char('/'));
    const QString sar = video.value(QStringLiteral("sample_aspect_ratio")).toString();
    const double height = video.value(QStringLiteral("height")).toInt();
    if (height > 0)
        f.DisplayAspect = video.value(QStringLiteral("width")).toInt()
                        * (sar.isEmpty() || sar == u"0:1" ? 1.0 : ratio(sar, QLatin1Char(':'))) / height;

    // All channels as they are, at a fixed rate, so every sample counts.
    constexpr int rate = 48000;
    QProcess decode;
    decode.start(QStringLiteral("ffmpeg"),
                 {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), file, QStringLiteral("-map"),
                  QStringLiteral("0:a:0"), QStringLiteral("-ar"), QString::number(rate), QStringLiteral("-af"),
                  QStringLiteral("pan=mono|c0=c0"), QStringLiteral("-f"), QStringLiteral("s16le"),
                  QStringLiteral("-")});
    QByteArray pcm;
    while (decode.state() != QProcess::NotRunning || decode.bytesAvailable() > 0) {
        decode.waitForReadyRead(1000);
        pcm += decode.readAllStandardOutput();
        if (decode.state() == QProcess::NotRunning && decode.bytesAvailable() == 0)
            break;
    }
    const auto *samples = reinterpret_cast<const qint16 *>(pcm.constData());
    f.Samples = pcm.size() / 2;
    f.SoundSeconds = double(f.Samples) / rate;
    int peak = 0;
    for (qsizetype i = 0; i < f.Samples; ++i) {
        const int magnitude = qAbs(int(samples[i]));
        peak = qMax(peak, magnitude);
        if (magnitude >= 32767)
            ++f.FullScale;
    }
    f.PeakDb = peak > 0 ? 20 * std::log10(peak / 32768.0) : -200;
    return f;
}

double DominantFrequency(const QString &file, int track)
{
    constexpr int rate = 48000;
    QProcess p;
    p.start(QStringLiteral("ffmpeg"),
            {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-ss"), QStringLiteral("0.5"),
             QStringLiteral("-i"), file, QStringLiteral("-t"), QStringLiteral("1"), QStringLiteral("-map"),
             QStringLiteral("0:a:%1").arg(track), QStringLiteral("-ac"), QStringLiteral("1"), QStringLiteral("-ar"),
             QString::number(rate),
             QStringLiteral("-f"), QStringLiteral("s16le"), QStringLiteral("-")});
    p.waitForFinished(30000);
    const QByteArray pcm = p.readAllStandardOutput();
    const auto *samples = reinterpret_cast<const qint16 *>(pcm.constData());
    const qsizetype count = pcm.size() / 2;
    if (count < rate / 10)
        return 0;
    int crossings = 0;
    bool positive = samples[0] >= 0;
    for (qsizetype i = 1; i < count; ++i) {
        const bool now = samples[i] >= 0;
        if (now != positive)
            ++crossings;
        positive = now;
    }
    return crossings / 2.0 / (double(count) / rate);
}

QByteArray ToolOutput(const QString &program, const QStringList &arguments, bool errors)
{
    QProcess p;
    if (errors)
        p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, arguments);
    QByteArray out;
    while (p.state() != QProcess::NotRunning || p.bytesAvailable() > 0) {
        p.waitForReadyRead(1000);
        out += p.readAll();
        if (p.state() == QProcess::NotRunning && p.bytesAvailable() == 0)
            break;
    }
    return out;
}

double StreamStart(const QString &file, const QString &stream)
{
    const QByteArray out = ToolOutput(QStringLiteral("ffprobe"),
                                      {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"),
                                       stream, QStringLiteral("-show_entries"), QStringLiteral("stream=start_time"),
                                       QStringLiteral("-of"), QStringLiteral("csv=p=0"), file});
    return out.trimmed().toDouble();
}

QList<QByteArray> GreyPictures(const QStringList &input, const QString &crop, int count)
{
    QString filter = QStringLiteral("scale=%1:%2").arg(kGreyWidth).arg(kGreyHeight);
    if (!crop.isEmpty())
        filter = QStringLiteral("crop=") + crop + QLatin1Char(',') + filter;
    const QByteArray raw =
        ToolOutput(QStringLiteral("ffmpeg"),
                   QStringList{QStringLiteral("-v"), QStringLiteral("error")} + input
                       + QStringList{QStringLiteral("-an"), QStringLiteral("-vf"), filter, QStringLiteral("-frames:v"),
                                     QString::number(count), QStringLiteral("-vsync"), QStringLiteral("passthrough"),
                                     QStringLiteral("-pix_fmt"), QStringLiteral("gray"), QStringLiteral("-f"),
                                     QStringLiteral("rawvideo"), QStringLiteral("-")});
    QList<QByteArray> pictures;
    const qsizetype size = qsizetype(kGreyWidth) * kGreyHeight;
    for (qsizetype at = 0; at + size <= raw.size(); at += size)
        pictures << raw.mid(at, size);
    return pictures;
}

double PsnrY(const QByteArray &a, const QByteArray &b)
{
    const qsizetype n = qMin(a.size(), b.size());
    if (n == 0)
        return 0;
    double sum = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const double d = double(quint8(a.at(i))) - double(quint8(b.at(i)));
        sum += d * d;
    }
    const double mse = sum / double(n);
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

IdetCounts Idet(const QString &file)
{
    const QString text = QString::fromLocal8Bit(
        ToolOutput(QStringLiteral("ffmpeg"),
                   {QStringLiteral("-hide_banner"), QStringLiteral("-nostats"), QStringLiteral("-i"), file,
                    QStringLiteral("-an"), QStringLiteral("-vf"), QStringLiteral("idet"), QStringLiteral("-f"),
                    QStringLiteral("null"), QStringLiteral("-")},
                   true));
    static const QRegularExpression multi(
        QStringLiteral("Multi frame detection: TFF:\\s*(\\d+)\\s+BFF:\\s*(\\d+)\\s+Progressive:\\s*(\\d+)"));
    IdetCounts counts;
    const QRegularExpressionMatch m = multi.match(text);
    if (m.hasMatch()) {
        counts.Interlaced = m.captured(1).toLongLong() + m.captured(2).toLongLong();
        counts.Progressive = m.captured(3).toLongLong();
    }
    return counts;
}

QList<double> FlashTimes(const QString &file)
{
    // Tiny pictures are enough to see a white one; their times come with them.
    const QByteArray out =
        ToolOutput(QStringLiteral("ffprobe"),
                   {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-f"), QStringLiteral("lavfi"),
                    QStringLiteral("-i"),
                    QStringLiteral("movie=%1,scale=16:16,signalstats")
                        .arg(QString(file).replace(QLatin1Char(':'), QStringLiteral("\\:"))),
                    QStringLiteral("-show_entries"),
                    QStringLiteral("frame=best_effort_timestamp_time:frame_tags=lavfi.signalstats.YAVG"),
                    QStringLiteral("-of"), QStringLiteral("csv=p=0")});
    QList<double> times;
    double previous = 255;
    for (const QByteArray &line : out.split('\n')) {
        const QList<QByteArray> fields = line.trimmed().split(',');
        if (fields.size() < 2)
            continue;
        const double luma = fields.last().toDouble();
        if (luma > 128 && previous <= 128)
            times << fields.first().toDouble();
        previous = luma;
    }
    return times;
}

QList<double> BeepTimes(const QString &file)
{
    constexpr int rate = 48000;
    const QByteArray pcm =
        ToolOutput(QStringLiteral("ffmpeg"),
                   {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), file, QStringLiteral("-map"),
                    QStringLiteral("0:a:0"), QStringLiteral("-ac"), QStringLiteral("1"), QStringLiteral("-ar"),
                    QString::number(rate), QStringLiteral("-f"), QStringLiteral("s16le"), QStringLiteral("-")});
    const auto *samples = reinterpret_cast<const qint16 *>(pcm.constData());
    const qsizetype count = pcm.size() / 2;
    // The decoded sound starts at the audio stream's start on the file's clock.
    const double start = StreamStart(file, QStringLiteral("a:0"));
    QList<double> times;
    qsizetype quietSince = 0;
    for (qsizetype i = 0; i < count; ++i) {
        if (qAbs(int(samples[i])) < 8192)
            continue;
        if (i - quietSince > rate / 2)
            times << start + double(i) / rate;
        quietSince = i;
    }
    return times;
}

QString SourceGraph(const QString &disc, int title)
{
    QFile file(TestDvdsDir() + QLatin1Char('/') + disc + QStringLiteral("/sources.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray prefix = "TITLE " + QByteArray::number(title) + ' ';
    for (const QByteArray &line : file.readAll().split('\n')) {
        const qsizetype at = line.indexOf(" GRAPH ");
        if (line.startsWith(prefix) && at > 0)
            return QString::fromUtf8(line.mid(at + 7).trimmed());
    }
    return {};
}

QList<qint64> LiveChildren()
{
    QList<qint64> children;
    const QString self = QString::number(QCoreApplication::applicationPid());
    const QDir proc(QStringLiteral("/proc"));
    for (const QString &entry : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        if (!numeric)
            continue;
        QFile stat(proc.filePath(entry + QStringLiteral("/stat")));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (name) state ppid ...": the name may hold blanks, so read after the last ")".
        const QString text = QString::fromLatin1(stat.readAll());
        const QStringList fields = text.mid(text.lastIndexOf(QLatin1Char(')')) + 2).split(QLatin1Char(' '));
        if (fields.size() > 1 && fields.at(1) == self && fields.at(0) != u"Z")
            children << pid;
    }
    return children;
}

void SetToolNotes(const QString &file)
{
    if (file.isEmpty()) {
        qunsetenv("QUARNEL_TEST_PIDS");
        qunsetenv("QUARNEL_TOOLS_MAY_WRITE");
        return;
    }
    qputenv("QUARNEL_TEST_PIDS", QFile::encodeName(file));
    qputenv("QUARNEL_TOOLS_MAY_WRITE", QFile::encodeName(QFileInfo(file).absolutePath()));
}

QList<SoundTrackFacts> SoundTracks(const QString &file)
{
    QProcess p;
    p.start(QStringLiteral("ffprobe"),
            {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"), QStringLiteral("a"),
             QStringLiteral("-show_entries"), QStringLiteral("stream_tags=language:stream_disposition=default"),
             QStringLiteral("-of"), QStringLiteral("json"), file});
    p.waitForFinished(30000);
    QList<SoundTrackFacts> tracks;
    const QJsonObject root = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
    for (const QJsonValue &v : root.value(QStringLiteral("streams")).toArray()) {
        const QJsonObject stream = v.toObject();
        SoundTrackFacts facts;
        facts.Language = stream.value(QStringLiteral("tags")).toObject().value(QStringLiteral("language")).toString();
        facts.Default =
            stream.value(QStringLiteral("disposition")).toObject().value(QStringLiteral("default")).toInt() == 1;
        tracks << facts;
    }
    return tracks;
}
