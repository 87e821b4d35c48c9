#include "DialogInputChecks.h"

#include <QDir>

namespace DialogInputChecks {

bool ReadFrameSide(const QString &text, int &value)
{
    bool ok = false;
    const int v = text.toInt(&ok, 10);
    if (!ok || v <= 0)
        return false;
    value = v;
    return true;
}

QString FrameSizeText(int width, int height)
{
    return QString::number(width) + QLatin1Char('x') + QString::number(height);
}

bool IsUsableVolumeName(const QString &name)
{
    return !name.contains(QLatin1Char('/')) && !name.contains(QDir::separator()) && !name.contains(QChar(0));
}

} // namespace DialogInputChecks
