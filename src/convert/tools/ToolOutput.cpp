#include "convert/tools/ToolOutput.h"

#include "core/TimeText.h"

#include <QRegularExpression>
#include <QStringList>

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

bool ParseTranscoderFrames(const QString &chunk, qint64 &frames)
{
    const qsizetype marker = chunk.indexOf(QLatin1String("frame="));
    if (marker < 0)
        return false;
    qsizetype from = marker + 6;
    while (from < chunk.size() && chunk.at(from) == QLatin1Char(' '))
        ++from;
    qsizetype end = from;
    while (end < chunk.size() && chunk.at(end).isDigit())
        ++end;
    bool ok = false;
    const qint64 value = QStringView(chunk).mid(from, end - from).toLongLong(&ok);
    if (ok)
        frames = value;
    return ok;
}

QString LastErrorLine(const QString &output, bool errorsOnly)
{
    static const char *const errorWords[] = {"error",    "denied",    "no space", "not found",    "no such",  "invalid",
                                             "failed",   "cannot",    "can't",    "could not",    "couldn't", "unable",
                                             "too long", "read-only", "quota",    "not permitted"};
    QString lastPlain;
    const QStringList lines = output.split(QRegularExpression(QStringLiteral("[\r\n]")), Qt::SkipEmptyParts);
    for (auto it = lines.crbegin(); it != lines.crend(); ++it) {
        const QString line = it->trimmed();
        if (line.isEmpty())
            continue;
        // Status lines repeat every fraction of a second and say nothing about a failure.
        if (line.contains(QLatin1String("Pos:")) || line.contains(QLatin1String("time=")))
            continue;
        const QString lower = line.toLower();
        for (const char *word : errorWords) {
            if (lower.contains(QLatin1String(word)))
                return line.left(300);
        }
        if (lastPlain.isEmpty() && !errorsOnly)
            lastPlain = line.left(300);
    }
    return lastPlain;
}
