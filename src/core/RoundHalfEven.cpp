#include "RoundHalfEven.h"

#include <cmath>
#include <limits>

qint64 RoundHalfEven(double x)
{
    if (std::isnan(x))
        return 0;
    // 2^62 keeps the arithmetic below exact and far from overflow.
    constexpr double limit = 4611686018427387904.0;
    if (x >= limit)
        return static_cast<qint64>(limit);
    if (x <= -limit)
        return -static_cast<qint64>(limit);
    const double lower = std::floor(x);
    const double diff = x - lower;
    qint64 result = static_cast<qint64>(lower);
    if (diff > 0.5 || (diff == 0.5 && (result % 2 != 0)))
        ++result;
    return result;
}
