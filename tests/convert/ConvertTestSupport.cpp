#include "ConvertTestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
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
    p.start(QStringLiteral("ffprobe"), {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
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
            facts.insert(prefix + QStringLiteral("width"), QString::number(stream.value(QStringLiteral("width")).toInt()));
            facts.insert(prefix + QStringLiteral("height"), QString::number(stream.value(QStringLiteral("height")).toInt()));
        }
    }
    return facts;
}

ViewerFacts Watch(const QString &file)
{
    ViewerFacts f;
    QProcess probe;
    probe.start(QStringLiteral("ffprobe"), {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-count_frames"),
                                            QStringLiteral("-select_streams"), QStringLiteral("v:0"), QStringLiteral("-show_entries"),
                                            QStringLiteral("stream=nb_read_frames,width,height,sample_aspect_ratio,avg_frame_rate"),
                                            QStringLiteral("-of"), QStringLiteral("json"), file});
    probe.waitForFinished(120000);
    const QJsonObject video = QJsonDocument::fromJson(probe.readAllStandardOutput()).object().value(QStringLiteral("streams")).toArray().first().toObject();
    f.Frames = video.value(QStringLiteral("nb_read_frames")).toString().toLongLong();
    auto ratio = [](const QString &text, QChar separator) {
        const QStringList parts = text.split(separator);
        return parts.size() == 2 && parts.at(1).toDouble() != 0 ? parts.at(0).toDouble() / parts.at(1).toDouble() : 1.0;
    };
    f.FrameRate = ratio(video.value(QStringLiteral("avg_frame_rate")).toString(), QLatin1Char('/'));
    const QString sar = video.value(QStringLiteral("sample_aspect_ratio")).toString();
    const double height = video.value(QStringLiteral("height")).toInt();
    if (height > 0)
        f.DisplayAspect = video.value(QStringLiteral("width")).toInt() * (sar.isEmpty() || sar == u"0:1" ? 1.0 : ratio(sar, QLatin1Char(':'))) / height;

    // All channels as they are, at a fixed rate, so every sample counts.
    constexpr int rate = 48000;
    QProcess decode;
    decode.start(QStringLiteral("ffmpeg"), {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), file,
                                            QStringLiteral("-map"), QStringLiteral("0:a:0"), QStringLiteral("-ar"), QString::number(rate), QStringLiteral("-af"),
                                            QStringLiteral("pan=mono|c0=c0"), QStringLiteral("-f"), QStringLiteral("s16le"), QStringLiteral("-")});
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

double DominantFrequency(const QString &file)
{
    constexpr int rate = 48000;
    QProcess p;
    p.start(QStringLiteral("ffmpeg"), {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-ss"), QStringLiteral("0.5"),
                                       QStringLiteral("-i"), file, QStringLiteral("-t"), QStringLiteral("1"), QStringLiteral("-vn"),
                                       QStringLiteral("-ac"), QStringLiteral("1"), QStringLiteral("-ar"), QString::number(rate),
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
