#include "PathText.h"

QString EnsureTrailingBackslash(const QString &path)
{
    if (path.isEmpty() || path.endsWith(QLatin1Char('/')))
        return path;
    return path + QLatin1Char('/');
}

QString StripExtension(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}

QStringList SplitCommaList(const QString &text)
{
    QStringList items = text.split(QLatin1Char(','));
    items.removeLast(); // what follows the last "," (all of it when there is none)
    return items;
}
