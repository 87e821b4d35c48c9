#include "convert/commands/Bitrates.h"

#include <cmath>

double BitrateKbps(const QString &value)
{
    QString text = value.trimmed().toLower();
    double scale = 1.0;
    if (text.endsWith(QLatin1Char('k'))) {
        text.chop(1);
        scale = 1.0;
    } else if (text.endsWith(QLatin1Char('m'))) {
        text.chop(1);
        scale = 1000.0;
    } else {
        scale = -1.0; // bits or kilobits, by size
    }
    bool ok = false;
    const double number = text.toDouble(&ok);
    if (!ok || !std::isfinite(number) || number <= 0)
        return 0;
    if (scale < 0)
        return number < 16000 ? number : number / 1000.0;
    return number * scale;
}

double ArgumentBitrateKbps(const QStringList &arguments, bool video, double fallback)
{
    for (int i = 0; i + 1 < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        const bool match = video ? (a == u"-b:v" || a == u"-b") : (a == u"-b:a" || a == u"-ab");
        if (match) {
            const double kbps = BitrateKbps(arguments.at(i + 1));
            if (kbps > 0)
                return kbps;
        }
    }
    return fallback;
}
