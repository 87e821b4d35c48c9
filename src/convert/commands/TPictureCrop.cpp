#include "convert/commands/TPictureCrop.h"

#include <QRegularExpression>

bool TPictureCrop::IsSet() const
{
    return Width > 0 && Height > 0 && (Width < FrameWidth || Height < FrameHeight);
}

double TPictureCrop::DisplayAspect(double frameAspect) const
{
    if (!IsSet())
        return frameAspect;
    return frameAspect * (double(Width) / FrameWidth) / (double(Height) / FrameHeight);
}

QString TPictureCrop::Filter() const
{
    return QStringLiteral("crop=%1:%2:%3:%4").arg(Width).arg(Height).arg(X).arg(Y);
}

TPictureCrop TPictureCrop::FromCropdetect(const QString &toolOutput)
{
    TPictureCrop crop;
    static const QRegularExpression stream(QStringLiteral("Stream #\\d+:\\d+.*Video: .*?, (\\d+)x(\\d+)"));
    const QRegularExpressionMatch frame = stream.match(toolOutput);
    if (!frame.hasMatch())
        return crop;
    crop.FrameWidth = frame.captured(1).toInt();
    crop.FrameHeight = frame.captured(2).toInt();
    static const QRegularExpression figures(QStringLiteral("x1:(-?\\d+) x2:(-?\\d+) y1:(-?\\d+) y2:(-?\\d+)"));
    QRegularExpressionMatch last;
    for (QRegularExpressionMatchIterator it = figures.globalMatch(toolOutput); it.hasNext();)
        last = it.next();
    if (!last.hasMatch())
        return crop;
    // Outwards to even lines and columns: a half chroma sample of film is still film.
    const int x1 = qMax(0, last.captured(1).toInt() & ~1);
    const int y1 = qMax(0, last.captured(3).toInt() & ~1);
    const int x2 = qMin(crop.FrameWidth, (last.captured(2).toInt() + 2) & ~1);
    const int y2 = qMin(crop.FrameHeight, (last.captured(4).toInt() + 2) & ~1);
    // A third of the frame is less than any film shape leaves (2.76:1 in 4:3 keeps half).
    if (x2 - x1 < crop.FrameWidth / 3 || y2 - y1 < crop.FrameHeight / 3)
        return crop;
    crop.X = x1;
    crop.Y = y1;
    crop.Width = x2 - x1;
    crop.Height = y2 - y1;
    return crop;
}
