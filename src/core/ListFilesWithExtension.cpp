#include "ListFilesWithExtension.h"

#include <QDir>
#include <QFileInfo>

QStringList ListFilesWithExtension(const QString &folder, const QString &extension)
{
    QDir dir(folder);
    if (folder.isEmpty() || !dir.exists())
        return {};
    QStringList names;
    const QFileInfoList entries = dir.entryInfoList(QDir::Files | QDir::Hidden, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo &info : entries) {
        const QString name = info.fileName();
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        if (dot >= 0 && name.mid(dot).compare(extension, Qt::CaseInsensitive) == 0)
            names << name;
    }
    return names;
}
