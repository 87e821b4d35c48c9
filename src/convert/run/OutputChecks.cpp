#include "convert/run/OutputChecks.h"

#include "convert/tools/TMediaProbe.h"
#include "core/RoundHalfEven.h"

#include <QtMath>

namespace {

QString SpanText(double span)
{
    // A whole span reads as a clock; a fractional one keeps its fraction.
    const bool whole = qAbs(span - std::round(span)) < 0.005;
    return ClockText(span, !whole);
}

// The picture's and the sound's ends against the span; empty when both reach it.
QString CheckStreamEnds(const TMediaInfo &info, double span, bool wantAudio)
{
    const double low = span - SpanTolerance(span);
    if (info.HasVideo && info.VideoEnd < low)
        return QStringLiteral("the picture ends at %1 of %2").arg(ClockText(info.VideoEnd, true), SpanText(span));
    if (wantAudio && info.HasAudio && info.AudioEnd < low)
        return QStringLiteral("the sound ends at %1 of %2").arg(ClockText(info.AudioEnd, true), SpanText(span));
    return {};
}

} // namespace

double SpanTolerance(double span)
{
    return qMax(1.0, 0.02 * span);
}

QString ClockText(double seconds, bool withFraction)
{
    if (seconds < 0)
        seconds = 0;
    const qint64 hundredths = withFraction ? RoundHalfEven(seconds * 100) : RoundHalfEven(seconds) * 100;
    const qint64 whole = hundredths / 100;
    QString text = QStringLiteral("%1:%2:%3")
                       .arg(whole / 3600)
                       .arg((whole / 60) % 60, 2, 10, QLatin1Char('0'))
                       .arg(whole % 60, 2, 10, QLatin1Char('0'));
    if (withFraction)
        text += QStringLiteral(".%1").arg(hundredths % 100, 2, 10, QLatin1Char('0'));
    return text;
}

QString CheckIntermediate(const TMediaInfo &info, double span, bool wantAudio)
{
    if (!info.Readable)
        return QStringLiteral("the encoder's file cannot be read (%1)").arg(info.Problem);
    if (!info.HasVideo)
        return QStringLiteral("the encoder's file holds no picture");
    if (wantAudio && !info.HasAudio)
        return QStringLiteral("the encoder's file holds no sound");
    return CheckStreamEnds(info, span, wantAudio);
}

QString CheckTarget(const TMediaInfo &info, double span, bool wantAudio)
{
    if (info.FileSize <= 0)
        return QStringLiteral("the file is empty");
    if (!info.Readable)
        return QStringLiteral("the file cannot be read (%1)").arg(info.Problem);
    if (!info.HasVideo && !info.HasAudio)
        return QStringLiteral("the file holds neither picture nor sound");
    if (wantAudio && !info.HasAudio)
        return QStringLiteral("the file holds no sound");
    const double tolerance = SpanTolerance(span);
    if (qAbs(info.End() - span) > tolerance)
        return QStringLiteral("the file is %1 s of %2 s")
            .arg(QString::number(info.End(), 'f', 1), QString::number(span, 'f', 1));
    return CheckStreamEnds(info, span, wantAudio);
}
