#include "PictureFit.h"

#include "convert/commands/TMencOutputSettings.h"
#include "core/RoundHalfEven.h"

double ScaleAspectRatio(const QString &outputAspect, const QString &titleAspect)
{
    if (outputAspect == u"4:3")
        return 1.3333;
    if (outputAspect == u"16:9")
        return 1.7778;
    return titleAspect == u"16:9" ? 1.7778 : 1.3333;
}

bool IsAnamorphicFrame(const QString &videoCodec, int width, int height)
{
    static const QList<int> widths = {720, 704, 480, 352}, heights = {576, 480, 288, 240};
    const bool mpeg = videoCodec == u"mpeg2video" || videoCodec == u"mpeg1video";
    return mpeg && widths.contains(width) && heights.contains(height);
}

namespace {

int EvenPixels(double pixels)
{
    return int(2 * RoundHalfEven(pixels / 2));
}

} // namespace

bool FitPicture(const TMencOutputSettings &settings, const QString &titleAspect, TPictureFit &fit,
                const TPictureCrop &crop)
{
    if (settings.OutputSize.isEmpty())
        return false;
    bool widthOk = false, heightOk = false;
    fit.FrameWidth = settings.OutputWidth.trimmed().toInt(&widthOk);
    fit.FrameHeight = settings.OutputHeight.trimmed().toInt(&heightOk);
    heightOk = heightOk && fit.FrameHeight > 0;
    // The disc's own bars cropped, the film keeps its shape whatever the profile says.
    const double r = crop.IsSet() ? crop.DisplayAspect(titleAspect == u"16:9" ? 16.0 / 9 : 4.0 / 3)
                                  : ScaleAspectRatio(settings.OutputAspect, titleAspect);
    if (settings.OutputSize.startsWith(QLatin1Char(':')) && heightOk) {
        // A height alone: the frame is the picture, at the title's shape and square pixels.
        fit.Height = fit.FrameHeight = qMax(2, EvenPixels(fit.FrameHeight));
        fit.Width = fit.FrameWidth = qMax(2, EvenPixels(fit.FrameHeight * r));
        return true;
    }
    if (!widthOk || fit.FrameWidth <= 0)
        return false;
    // Most codecs take only even sizes (H.264 refuses 720x405): the frame and the picture
    // are whole pairs of pixels, rounded half to even.
    fit.FrameWidth = qMax(2, EvenPixels(fit.FrameWidth));
    if (heightOk)
        fit.FrameHeight = qMax(2, EvenPixels(fit.FrameHeight));
    if (heightOk && IsAnamorphicFrame(settings.VideoCodec, fit.FrameWidth, fit.FrameHeight)) {
        const bool wideTitle = titleAspect == u"16:9";
        const bool wideFrame = settings.OutputAspect == u"16:9" || (settings.OutputAspect != u"4:3" && wideTitle);
        fit.DisplayAspect = wideFrame ? QStringLiteral("16:9") : QStringLiteral("4:3");
        // The picture's shape against the frame's: a wider one letterboxed, a narrower one
        // pillarboxed.
        const double picture = crop.IsSet() ? r : wideTitle ? 16.0 / 9 : 4.0 / 3;
        const double shown = wideFrame ? 16.0 / 9 : 4.0 / 3;
        fit.Width = fit.FrameWidth;
        fit.Height = fit.FrameHeight;
        if (picture > shown * 1.001)
            fit.Height = EvenPixels(fit.FrameHeight * shown / picture);
        else if (picture < shown / 1.001)
            fit.Width = EvenPixels(fit.FrameWidth * picture / shown);
        return true;
    }
    fit.Width = fit.FrameWidth;
    fit.Height = qMax(2, EvenPixels(fit.FrameWidth / r));
    if (heightOk && fit.Height > fit.FrameHeight) {
        fit.Height = fit.FrameHeight;
        fit.Width = qMin(fit.FrameWidth, qMax(2, EvenPixels(fit.FrameHeight * r)));
    }
    if (!heightOk)
        fit.FrameHeight = fit.Height;
    return true;
}

QString PictureAspect(const TMencOutputSettings &settings, const QString &titleAspect)
{
    TPictureFit fit;
    if (FitPicture(settings, titleAspect, fit) && fit.DisplayAspect.isEmpty())
        return QStringLiteral("%1/%2").arg(fit.Width).arg(fit.Height);
    return titleAspect == u"16:9" ? QStringLiteral("16/9") : QStringLiteral("4/3");
}

QString FramePadFilter(const TPictureFit &fit)
{
    const QString shape =
        fit.DisplayAspect.isEmpty()
            ? QStringLiteral("setsar=1")
            : QStringLiteral("setdar=") + QString(fit.DisplayAspect).replace(QLatin1Char(':'), QLatin1Char('/'));
    return QStringLiteral("pad=w=max(iw\\,%1):h=max(ih\\,%2):x=(ow-iw)/2:y=(oh-ih)/2:color=black,%3")
        .arg(fit.FrameWidth)
        .arg(fit.FrameHeight)
        .arg(shape);
}

void FitFrameOptions(QStringList &args, const TPictureFit &fit)
{
    for (int i = 0; i + 1 < args.size(); ++i) {
        if (args.at(i) == u"-aspect") {
            args[i + 1] = !fit.DisplayAspect.isEmpty()
                            ? fit.DisplayAspect
                            : QStringLiteral("%1:%2").arg(fit.FrameWidth).arg(fit.FrameHeight);
        } else if (args.at(i) == u"-s") {
            args[i + 1] = QStringLiteral("%1x%2").arg(fit.FrameWidth).arg(fit.FrameHeight);
        }
    }
}
