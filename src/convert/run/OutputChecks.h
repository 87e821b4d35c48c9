#pragma once

#include <QString>

struct TMediaInfo;

// Whether what a tool wrote is whole, judged against the span of the entry (its length in
// seconds). Each returns the reason the file is not whole, or an empty text.

// How far a file may miss the span: max(1 s, 2 %).
double SpanTolerance(double span);

// Hours without padding, then minutes and seconds: 0:00:00.13 (two decimals) or, without
// a fraction, 0:00:20 (rounded half to even).
QString ClockText(double seconds, bool withFraction);

// The intermediate file: a picture, and sound where the entry has some, both lasting the span.
QString CheckIntermediate(const TMediaInfo &info, double span, bool wantAudio);

// The target file: not empty, readable, as long as the span, its picture and sound too.
QString CheckTarget(const TMediaInfo &info, double span, bool wantAudio);
