#include "RunTexts.h"

#include <QFileInfo>

QString HintVolumeText(const QString &volumeName)
{
    return volumeName.size() <= 18 ? volumeName : volumeName.left(15) + QStringLiteral("...");
}

QString ConvertingHint(const QString &volumeName, const QString &outputName, const QString &outputExt)
{
    return QStringLiteral("Converting: ") + HintVolumeText(volumeName) + QLatin1Char('-') + outputName + outputExt;
}

QString OutputFolderToCheck(const QString &outputDirText)
{
    const qsizetype last = outputDirText.lastIndexOf(QLatin1Char('/'));
    if (last < 0)
        return {};
    return last == 0 ? QStringLiteral("/") : outputDirText.left(last);
}

QString OverwriteQuestion(const QString &targetFile)
{
    return QStringLiteral("The output file ") + QFileInfo(targetFile).fileName()
         + QStringLiteral(" is already existent.") + QStringLiteral("\n\r")
         + QStringLiteral("Click \"Yes\" to overwrite it. Click \"No\" to skip this file");
}
