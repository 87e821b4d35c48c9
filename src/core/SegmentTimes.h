#pragma once

#include <QString>

struct TTaskNodeData;

// The segment editor's rules, free of the window: the slider holds whole seconds of the
// entry's span, and typed times are checked against the thumbs.
namespace SegmentTimes {

// The notices shown in place of the length.
QString InvalidStartNotice(); // "Invalid Start Time."
QString InvalidEndNotice(); // "Invalid End Time"

// "Length:" followed by the selection's length as time text.
QString LengthText(int minPosition, int maxPosition);

// Seconds rounded (half to even) into the slider's 32-bit range.
int SliderSeconds(double seconds);

// The slider's values for an entry: range from OrigStart/OrigEnd, thumbs from Start/End.
struct SliderValues
{
    int Min = 0;
    int Max = 0;
    int MinPosition = 0;
    int MaxPosition = 0;
};
SliderValues SliderValuesOf(const TTaskNodeData &entry);

// A typed time: false when the text is not a time or names a time before zero.
bool ReadTypedTime(const QString &text, double &seconds);

// A typed start must lie in [min, maxPosition), a typed end in (minPosition, max], counted
// in rounded seconds; `value` is the rounded time when valid.
bool IsValidStartText(const QString &text, int min, int maxPosition, int &value);
bool IsValidEndText(const QString &text, int minPosition, int max, int &value);

// What OK may store: each text must read as a time whose whole second is where its thumb
// stands (a typed fraction is kept), and the start may not lie after the end. Anything else
// would hand the conversion a start of -1 seconds or a start after the end.
enum class OkRefusal { None, Start, End };
OkRefusal CheckOkTexts(const QString &startText, const QString &endText, int minPosition, int maxPosition);

// Writes both texts and their seconds into the entry.
void StoreTimes(TTaskNodeData &entry, const QString &startText, const QString &endText);

} // namespace SegmentTimes
