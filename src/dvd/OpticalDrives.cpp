#include "OpticalDrives.h"

#include "core/PathText.h"

#include <QCryptographicHash>
#include <QFile>
#include <QRegularExpression>
#include <QStorageInfo>

namespace {
std::function<QList<OpticalDrives::Drive>()> g_hook;

// Device names from the kernel's CD-ROM table ("drive name:	sr1	sr0"), in the kernel's order.
QStringList DeviceNames()
{
    QFile info(QStringLiteral("/proc/sys/dev/cdrom/info"));
    if (!info.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray &line : info.readAll().split('\n')) {
        if (!line.startsWith("drive name:"))
            continue;
        QStringList names =
            QString::fromLatin1(line.mid(11)).split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
        std::reverse(names.begin(), names.end()); // the table lists the newest drive first
        return names;
    }
    return {};
}
} // namespace

QList<OpticalDrives::Drive> OpticalDrives::List()
{
    if (g_hook)
        return g_hook();
    QList<Drive> drives;
    const QList<QStorageInfo> volumes = QStorageInfo::mountedVolumes();
    for (const QString &name : DeviceNames()) {
        Drive drive;
        const QByteArray device = "/dev/" + name.toLatin1();
        for (const QStorageInfo &v : volumes) {
            if (v.device() != device || !v.isReady())
                continue;
            drive.Root = EnsureTrailingBackslash(v.rootPath());
            drive.Label = v.name();
            // A mounted disc has no serial number we can read; any non-zero value marks it present.
            const QByteArray hash =
                QCryptographicHash::hash(QByteArray(device + v.rootPath().toUtf8()), QCryptographicHash::Md5);
            drive.Serial =
                quint32(quint8(hash[0])) << 24 | quint32(quint8(hash[1])) << 16 | quint32(quint8(hash[2])) << 8 | 1u;
            break;
        }
        drives << drive;
    }
    return drives;
}

void OpticalDrives::SetHook(std::function<QList<Drive>()> hook)
{
    g_hook = std::move(hook);
}
