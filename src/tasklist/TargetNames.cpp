#include "TargetNames.h"

#include <QFileInfo>

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
