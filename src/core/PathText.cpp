#include "PathText.h"

#include <QDir>
#include <QFileInfo>

QString EnsureTrailingBackslash(const QString &path)
{
    if (path.isEmpty() || path.endsWith(QLatin1Char('/')))
        return path;
    return path + QLatin1Char('/');
}

QString FolderFromSettingsFile(const QString &settingsFile, const QString &path)
{
    if (path.isEmpty() || !QDir::isRelativePath(path))
        return path;
    const QString resolved = QDir::cleanPath(QFileInfo(settingsFile).absoluteDir().filePath(path));
    return path.endsWith(QLatin1Char('/')) ? EnsureTrailingBackslash(resolved) : resolved;
}

QString FileInFolder(const QString &folder, const QString &name)
{
    const QString exact = folder + name;
    if (folder.isEmpty() || QFileInfo::exists(exact))
        return exact;
    // Name filters match without regard to case unless told otherwise.
    const QStringList found = QDir(folder).entryList({name}, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    return found.isEmpty() ? exact : folder + found.first();
}

QString StripExtension(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}

QStringList SplitCommaList(const QString &text)
{
    QStringList items = text.split(QLatin1Char(','));
    // Each item ends with a comma; a last one written without it is still an item.
    if (items.last().isEmpty())
        items.removeLast();
    return items;
}
