#include "convert/run/FreeSpace.h"
#include "convert/commands/Bitrates.h"

#include <QStorageInfo>

#include <cmath>

namespace {

// A quarter more than the nominal rate and one MiB for headers and indexes.
constexpr double kMargin = 1.25;
constexpr qint64 kOverhead = 1 << 20;

QString MegabytesText(qint64 bytes)
{
    return QString::number(std::ceil(double(bytes) / (1024.0 * 1024.0)), 'f', 0);
}

} // namespace

double IntermediateKbps(bool highQuality, const QString &videoBitrate, int width, int height, double frameRate)
{
    constexpr double kPcmKbps = 2 * 16 * 48.0;
    constexpr double kHighQualityBitsPerPixel = 2.0;
    if (highQuality)
        return double(width) * height * frameRate * kHighQualityBitsPerPixel / 1000.0 + kPcmKbps;
    const double profile = BitrateKbps(videoBitrate);
    return (profile > 0 ? profile : 800.0) + kPcmKbps;
}

qint64 EstimatedBytes(double seconds, double kbps)
{
    if (seconds <= 0 || kbps <= 0)
        return kOverhead;
    return qint64(seconds * kbps * 1000.0 / 8.0 * kMargin) + kOverhead;
}

QString CheckRoom(const QString &workFolder, qint64 workBytes, const QString &outputFolder, qint64 outputBytes)
{
    const QStorageInfo work(workFolder);
    const QStorageInfo output(outputFolder);
    auto shortBy = [](const QStorageInfo &storage, qint64 needed) -> qint64 {
        if (!storage.isValid() || !storage.isReady())
            return 0; // nothing to judge by; the tools will say
        return needed - storage.bytesAvailable();
    };
    auto message = [](const QString &folder, qint64 missing) {
        return QStringLiteral("not enough room in %1: about %2 MB more are needed").arg(folder, MegabytesText(missing));
    };
    if (work.isValid() && output.isValid() && work.device() == output.device()
        && work.rootPath() == output.rootPath()) {
        const qint64 missing = shortBy(output, workBytes + outputBytes);
        return missing > 0 ? message(outputFolder, missing) : QString();
    }
    qint64 missing = shortBy(work, workBytes);
    if (missing > 0)
        return message(workFolder, missing);
    missing = shortBy(output, outputBytes);
    return missing > 0 ? message(outputFolder, missing) : QString();
}
