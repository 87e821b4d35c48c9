#include "ToolOutput.h"

#include "app/TimeText.h"

#include <cmath>

namespace {

bool ReadDecimal(QStringView text, double &value)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok); // C locale: a point, never a comma
    if (!ok || !std::isfinite(v))
        return false;
    value = v;
    return true;
}

} // namespace

bool ParseEncoderPosition(const QString &chunk, double &seconds)
{
    const qsizetype marker = chunk.indexOf(QLatin1String("Pos:"));
    if (marker < 0)
        return false;
    const qsizetype from = marker + 4;
    const qsizetype end = chunk.indexOf(QLatin1Char('s'), from);
    if (end < 0)
        return false;
    return ReadDecimal(QStringView(chunk).mid(from, end - from), seconds);
}

bool ParseTranscoderTime(const QString &chunk, double &seconds)
{
    // "time=" and not a bare "time": metadata such as "creation_time   :" comes first.
    const qsizetype marker = chunk.indexOf(QLatin1String("time="));
    if (marker < 0)
        return false;
    const qsizetype from = marker + 5;
    qsizetype end = from;
    while (end < chunk.size() && !chunk.at(end).isSpace())
        ++end;
    const QStringView text = QStringView(chunk).mid(from, end - from);
    if (text.isEmpty() || text.startsWith(QLatin1Char('-')) || text.startsWith(QLatin1Char('+')))
        return false;
    if (text.contains(QLatin1Char(':'))) {
        const double clock = TimeTextToSeconds(text.toString());
        if (clock < 0)
            return false;
        seconds = clock;
        return true;
    }
    return ReadDecimal(text, seconds);
}
