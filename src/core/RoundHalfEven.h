#pragma once

#include <QtGlobal>

// Rounds to the nearest whole number, an exact half to the even neighbour (0.5 -> 0,
// 1.5 -> 2, 2.5 -> 2). The one rounding the whole program uses where times and sizes
// become whole numbers. NaN gives 0; values beyond the 64-bit range are clamped.
qint64 RoundHalfEven(double x);
