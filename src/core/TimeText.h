#pragma once

#include <QString>

// Times travel as seconds (double) and as clock text "hh:mm:ss"; these two fix both forms
// so that seconds -> text -> seconds keeps the whole seconds.

// Rounded once to whole seconds (half to even); at least two digits per field. Negative
// or NaN seconds (a failed TimeTextToSeconds gives -1) are shown as "00:00:00".
QString SecondsToTimeText(double seconds);

// "h:m:s" with any number of digits per field and an optional fraction in the seconds;
// -1.0 for text that is not such a time.
double TimeTextToSeconds(const QString &text);
