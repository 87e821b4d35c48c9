#include "TimeText.h"

#include "RoundHalfEven.h"

#include <cmath>

namespace {

QString TwoDigits(qint64 n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

bool IsDigits(QStringView s)
{
    if (s.isEmpty())
        return false;
    for (QChar c : s) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

// An optional sign, then decimal digits, within the 32-bit range.
bool ParseInteger(QStringView s, double &value)
{
    QStringView digits = s;
    if (!digits.isEmpty() && (digits.front() == QLatin1Char('+') || digits.front() == QLatin1Char('-')))
        digits = digits.mid(1);
    if (!IsDigits(digits))
        return false;
    bool ok = false;
    const int n = s.toInt(&ok);
    value = n;
    return ok;
}

// Digits, optionally "." and more digits; no sign, no leading ".".
bool ParseSeconds(QStringView s, double &value)
{
    const qsizetype dot = s.indexOf(QLatin1Char('.'));
    if (dot < 0) {
        if (!IsDigits(s))
            return false;
    } else if (!IsDigits(s.left(dot)) || !IsDigits(s.mid(dot + 1))) {
        return false;
    }
    bool ok = false;
    value = s.toDouble(&ok);
    return ok && std::isfinite(value);
}

} // namespace

QString SecondsToTimeText(double seconds)
{
    qint64 r = RoundHalfEven(seconds);
    if (r < 0)
        r = 0;
    const qint64 hours = r / 3600;
    const qint64 minutes = (r - 3600 * hours) / 60;
    const qint64 secs = r - 3600 * hours - 60 * minutes;
    return TwoDigits(hours) + QLatin1Char(':') + TwoDigits(minutes) + QLatin1Char(':') + TwoDigits(secs);
}

double TimeTextToSeconds(const QString &text)
{
    const qsizetype first = text.indexOf(QLatin1Char(':'));
    if (first < 0)
        return -1.0;
    const QStringView h = QStringView(text).left(first);
    const QStringView rest = QStringView(text).mid(first + 1);
    const qsizetype second = rest.indexOf(QLatin1Char(':'));
    if (second < 0)
        return -1.0;
    const QStringView m = rest.left(second);
    const QStringView s = rest.mid(second + 1);
    double hv = 0, mv = 0, sv = 0;
    if (!ParseInteger(h, hv) || !ParseInteger(m, mv) || !ParseSeconds(s, sv))
        return -1.0;
    return hv * 3600.0 + mv * 60.0 + sv;
}
