#include "SegmentTimes.h"

#include "RoundHalfEven.h"
#include "TTaskNodeData.h"
#include "TimeText.h"

#include <algorithm>
#include <limits>

namespace SegmentTimes {

QString InvalidStartNotice()
{
    return QStringLiteral("Invalid Start Time.");
}

QString InvalidEndNotice()
{
    return QStringLiteral("Invalid End Time");
}

QString LengthText(int minPosition, int maxPosition)
{
    return QStringLiteral("Length:") + SecondsToTimeText(double(maxPosition) - double(minPosition));
}

int SliderSeconds(double seconds)
{
    return int(
        std::clamp<qint64>(RoundHalfEven(seconds), std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

SliderValues SliderValuesOf(const TTaskNodeData &entry)
{
    return {SliderSeconds(entry.OrigStart), SliderSeconds(entry.OrigEnd), SliderSeconds(entry.Start),
            SliderSeconds(entry.End)};
}

bool ReadTypedTime(const QString &text, double &seconds)
{
    // TimeTextToSeconds takes signed fields ("0:-1:30"); a time before zero is no time here.
    seconds = TimeTextToSeconds(text);
    return seconds >= 0;
}

bool IsValidStartText(const QString &text, int min, int maxPosition, int &value)
{
    double seconds = 0;
    if (!ReadTypedTime(text, seconds))
        return false;
    const qint64 v = RoundHalfEven(seconds);
    if (v < min || v >= maxPosition)
        return false;
    value = int(v);
    return true;
}

bool IsValidEndText(const QString &text, int minPosition, int max, int &value)
{
    double seconds = 0;
    if (!ReadTypedTime(text, seconds))
        return false;
    const qint64 v = RoundHalfEven(seconds);
    if (v <= minPosition || v > max)
        return false;
    value = int(v);
    return true;
}

OkRefusal CheckOkTexts(const QString &startText, const QString &endText, int minPosition, int maxPosition)
{
    auto standsAt = [](const QString &text, int position) {
        double seconds = 0;
        return ReadTypedTime(text, seconds) && RoundHalfEven(seconds) == position;
    };
    if (!standsAt(startText, minPosition))
        return OkRefusal::Start;
    if (!standsAt(endText, maxPosition))
        return OkRefusal::End;
    // Thumbs on the same second with fractions typed into both boxes may still disagree.
    if (TimeTextToSeconds(startText) > TimeTextToSeconds(endText))
        return OkRefusal::End;
    return OkRefusal::None;
}

void StoreTimes(TTaskNodeData &entry, const QString &startText, const QString &endText)
{
    entry.StartText = startText;
    entry.EndText = endText;
    entry.Start = TimeTextToSeconds(startText);
    entry.End = TimeTextToSeconds(endText);
}

} // namespace SegmentTimes
