#include "DiscTruth.h"

#include "ConvertTestSupport.h"
#include "TestSupport.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace {

double Rate(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('/'));
    return parts.size() == 2 ? parts.at(0).toDouble() / parts.at(1).toDouble() : text.toDouble();
}

// The size pictures are looked at in: large enough for the code's twenty cells.
constexpr int LookWidth = 400, LookHeight = 200;

int Mean(const QByteArray &picture, int x0, int x1, int y0, int y1)
{
    qint64 sum = 0, n = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            sum += quint8(picture.at(y * LookWidth + x));
            ++n;
        }
    }
    return n ? int(sum / n) : 0;
}

// The code band: rows 40 % to 52 % of the height, twenty cells from 5 % to 95 % of the width;
// cell 0 white, 1 black, 2..17 the number's bits from the highest, 18 even parity, 19 black.
int ReadCode(const QByteArray &picture)
{
    const int y0 = int(LookHeight * 0.43), y1 = int(LookHeight * 0.49);
    const double left = LookWidth * 0.05, cell = LookWidth * 0.90 / 20;
    QList<bool> bits;
    for (int i = 0; i < 20; ++i) {
        const int x0 = int(left + cell * (i + 0.3)), x1 = int(left + cell * (i + 0.7));
        bits << (Mean(picture, x0, x1, y0, y1) > 125);
    }
    if (!bits.at(0) || bits.at(1) || bits.at(19))
        return -1;
    int code = 0, ones = 0;
    for (int i = 2; i <= 17; ++i) {
        code = code * 2 + (bits.at(i) ? 1 : 0);
        ones += bits.at(i) ? 1 : 0;
    }
    if ((ones + (bits.at(18) ? 1 : 0)) % 2 != 0)
        return -1;
    return code;
}

QList<float> DecodeSound(const QString &file, int track)
{
    // Laid out on the file's clock as a player lays it, from 0: each sample at its time.
    const QByteArray pcm =
        ToolOutput(QStringLiteral("ffmpeg"),
                   {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-copyts"), QStringLiteral("-i"),
                    file, QStringLiteral("-map"), QStringLiteral("0:a:%1").arg(track), QStringLiteral("-af"),
                    QStringLiteral("pan=mono|c0=c0,aresample=48000:async=1:min_hard_comp=0.001:first_pts=0"),
                    QStringLiteral("-f"), QStringLiteral("f32le"), QStringLiteral("-")});
    QList<float> samples(pcm.size() / 4);
    memcpy(samples.data(), pcm.constData(), size_t(samples.size()) * 4);
    return samples;
}

} // namespace

TruthTitle ReadTruth(const QString &disc, int title)
{
    TruthTitle t;
    QFile file(TestDvdsDir() + QLatin1Char('/') + disc + QStringLiteral("/truth.json"));
    if (!file.open(QIODevice::ReadOnly))
        return t;
    const QJsonArray titles =
        QJsonDocument::fromJson(file.readAll()).object().value(QStringLiteral("titles")).toArray();
    for (const QJsonValue &v : titles) {
        const QJsonObject o = v.toObject();
        if (o.value(QStringLiteral("number")).toInt() != title)
            continue;
        t.Number = title;
        t.Duration = o.value(QStringLiteral("duration")).toDouble();
        for (const QJsonValue &s : o.value(QStringLiteral("segments")).toArray()) {
            const QJsonObject g = s.toObject();
            t.Segments << TruthSegment{
                g.value(QStringLiteral("kind")).toString(),     g.value(QStringLiteral("start")).toDouble(),
                g.value(QStringLiteral("duration")).toDouble(), g.value(QStringLiteral("first")).toInt(),
                g.value(QStringLiteral("count")).toInt(),       Rate(g.value(QStringLiteral("rate")).toString())};
        }
        for (const QJsonValue &c : o.value(QStringLiteral("chapters")).toArray())
            t.ChapterStarts << c.toObject().value(QStringLiteral("start")).toDouble();
        for (const QJsonValue &f : o.value(QStringLiteral("flashes")).toArray())
            t.Flashes << f.toObject().value(QStringLiteral("time")).toDouble();
        for (const QJsonValue &a : o.value(QStringLiteral("audio")).toArray()) {
            const QJsonObject x = a.toObject();
            t.Audio << TruthAudio{
                x.value(QStringLiteral("id")).toInt(),       x.value(QStringLiteral("coding")).toString(),
                x.value(QStringLiteral("channels")).toInt(), x.value(QStringLiteral("lang")).toString(),
                x.value(QStringLiteral("tone")).toDouble(),  x.value(QStringLiteral("peak_dbfs")).toDouble()};
        }
    }
    return t;
}

QList<ExpectedPicture> ExpectedPictures(const TruthTitle &title, double from, double to)
{
    // A picture within a tenth of a millisecond of the span's edge belongs to where it starts.
    constexpr double Slack = 0.0001;
    QList<ExpectedPicture> pictures;
    for (const TruthSegment &s : title.Segments) {
        const int step = s.Kind == u"interlaced" ? 2 : 1;
        for (int i = 0; i < s.Count; i += step) {
            // Shown from t until the next: the picture on screen when a span begins is that
            // span's first.
            const double t = s.Start + i / s.Rate, until = t + step / s.Rate;
            if (until > from + Slack && until <= to + Slack)
                pictures << ExpectedPicture{s.First + i, t - from};
        }
    }
    return pictures;
}

QList<SeenPicture> WatchPictures(const QString &file, const QString &crop)
{
    const QByteArray times = ToolOutput(
        QStringLiteral("ffprobe"),
        {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"), QStringLiteral("v:0"),
         QStringLiteral("-show_entries"), QStringLiteral("frame=best_effort_timestamp_time"), QStringLiteral("-of"),
         QStringLiteral("csv=p=0"), file});
    QString filter = QStringLiteral("scale=%1:%2:flags=area").arg(LookWidth).arg(LookHeight);
    if (!crop.isEmpty())
        filter = QStringLiteral("crop=") + crop + QLatin1Char(',') + filter;
    const QByteArray raw = ToolOutput(
        QStringLiteral("ffmpeg"), {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), file,
                                   QStringLiteral("-an"), QStringLiteral("-vf"), filter, QStringLiteral("-vsync"),
                                   QStringLiteral("passthrough"), QStringLiteral("-pix_fmt"), QStringLiteral("gray"),
                                   QStringLiteral("-f"), QStringLiteral("rawvideo"), QStringLiteral("-")});
    QList<double> stamps;
    for (const QByteArray &line : times.split('\n')) {
        bool ok = false;
        const double t = line.trimmed().split(',').first().toDouble(&ok);
        if (ok)
            stamps << t;
    }
    QList<SeenPicture> seen;
    const qsizetype size = qsizetype(LookWidth) * LookHeight;
    for (qsizetype at = 0, i = 0; at + size <= raw.size(); at += size, ++i) {
        const QByteArray picture = raw.mid(at, size);
        SeenPicture p;
        p.Code = ReadCode(picture);
        p.Flash = Mean(picture, 0, LookWidth, 0, int(LookHeight * 0.25)) > 180;
        p.Time = stamps.value(i, -1);
        seen << p;
    }
    return seen;
}

QList<double> BurstStarts(const QString &file, int track)
{
    const QList<float> s = DecodeSound(file, track);
    float loudest = 0;
    for (const float v : s)
        loudest = std::max(loudest, std::fabs(v));
    QList<double> starts;
    qsizetype quietSince = -48000;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (std::fabs(s.at(i)) < loudest / 4)
            continue;
        if (i - quietSince > 48000 * 3 / 10)
            starts << double(i) / 48000;
        quietSince = i;
    }
    return starts;
}

double SoundEnd(const QString &file, int track)
{
    return DecodeSound(file, track).size() / 48000.0;
}

double PictureEnd(const QString &file)
{
    const QList<SeenPicture> seen = WatchPictures(file);
    if (seen.size() < 2)
        return 0;
    // The last picture lasts as long as the one before it.
    return seen.last().Time + (seen.last().Time - seen.at(seen.size() - 2).Time);
}

ToneFacts MeasureTone(const QString &file, double tone, double at)
{
    const QList<float> all = DecodeSound(file, 0);
    const qsizetype from = qsizetype(at * 48000), count = 48000;
    ToneFacts facts;
    if (from + count > all.size())
        return facts;
    auto magnitude = [&](double f) {
        double re = 0, im = 0;
        for (qsizetype i = 0; i < count; ++i) {
            const double w = 2 * M_PI * f * double(i) / 48000;
            re += all.at(from + i) * std::cos(w);
            im += all.at(from + i) * std::sin(w);
        }
        return std::hypot(re, im);
    };
    float peak = 0;
    for (qsizetype i = from; i < from + count; ++i)
        peak = std::max(peak, std::fabs(all.at(i)));
    facts.PeakDbfs = peak > 0 ? 20 * std::log10(peak) : -200;
    const double fundamental = magnitude(tone);
    double harmonics = 0;
    for (int k = 2; k <= 8 && k * tone < 24000; ++k)
        harmonics += std::pow(magnitude(k * tone), 2);
    facts.DistortionPercent = fundamental > 0 ? 100 * std::sqrt(harmonics) / fundamental : 100;
    return facts;
}
