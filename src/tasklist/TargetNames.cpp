#include "TargetNames.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace {
// Room beside a file's own name: "-999" of a rename, and the hidden name it is written
// under first ("." before it, ".<pid>-XXXXXX.partial" after it, the pid up to 7 digits).
constexpr int kRenameRoom = 4;
constexpr int kPartialRoom = 1 + 1 + 7 + 1 + 6 + 8;
// Profiles name their type freely; the room kept for it whatever the current one is.
constexpr int kExtensionRoom = 8;

int Bytes(const QString &text)
{
    return int(QFile::encodeName(text).size());
}
} // namespace

QString SafeFileNamePart(const QString &name)
{
    static const QString forbidden = QStringLiteral("/\\:*?\"<>|");
    QString safe = name;
    for (QChar &c : safe) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || forbidden.contains(c))
            c = QLatin1Char('_');
    }
    return safe;
}

QString TargetFileName(const QString &outputFolder, const QString &volumeName, const QString &outputName,
                       const QString &outputExt)
{
    QString name;
    if (!volumeName.isEmpty())
        name = volumeName + QLatin1Char('-');
    name += outputName;
    return outputFolder + SafeFileNamePart(name) + SafeFileNamePart(outputExt);
}

QString RenameCandidate(const QString &targetFile, const QString &outputExt, int n)
{
    const QString ext = SafeFileNamePart(outputExt);
    const QString base =
        !ext.isEmpty() && targetFile.endsWith(ext) ? targetFile.left(targetFile.size() - ext.size()) : targetFile;
    return base + QLatin1Char('-') + QString::number(n) + ext;
}

QString RenamedTargetFile(const QString &targetFile, const QString &outputExt)
{
    for (int n = 1;; ++n) {
        const QString candidate = RenameCandidate(targetFile, outputExt, n);
        if (!QFileInfo::exists(candidate) && !QFileInfo(candidate).isSymLink())
            return candidate;
    }
}

int VolumeCharactersThatFit(const QString &volumeName, const QStringList &outputNames, const QString &outputExt)
{
    int longestName = 0;
    for (const QString &name : outputNames)
        longestName = qMax(longestName, Bytes(SafeFileNamePart(name)));
    const int room = kMaxFileNameBytes - kPartialRoom - kRenameRoom
                   - qMax(kExtensionRoom, Bytes(SafeFileNamePart(outputExt))) - longestName - 1; // 1: the "-"
    const QString safe = SafeFileNamePart(volumeName);
    if (Bytes(safe) <= room)
        return int(volumeName.size());
    int fit = 0;
    int used = 0;
    while (fit < safe.size()) {
        // A character outside the basic plane is two code units; never split it.
        const int units = safe.at(fit).isHighSurrogate() && fit + 1 < safe.size() ? 2 : 1;
        used += Bytes(safe.mid(fit, units));
        if (used > room)
            break;
        fit += units;
    }
    return fit;
}
