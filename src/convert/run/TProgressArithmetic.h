#pragma once

#include "convert/run/TConversionProgress.h"

#include <QString>

// The figures a conversion shows, from the tools' output: each entry counts twice, the
// encoder pass filling the first half of its share and the transcoder pass the second.
// Bars and frame counts are rounded half to even; bars hold 0..100.
class TProgressArithmetic
{
public:
    // A new run of `entries` entries: totalSeconds is twice the sum of their lengths;
    // frameRateFactor the frames per 1000 seconds. Elapsed and remaining texts empty, bars at 0.
    void BeginRun(double totalSeconds, double frameRateFactor, int entries = 1);
    // A new entry of `length` seconds: current bar 0, frames "0 / total".
    void BeginEntry(double length);
    // The entry's pictures come at another rate than the DVD's (film: 23.976 a second);
    // frameRateFactor in frames per 1000 seconds, for this entry only.
    void SetEntryFrameRate(double frameRateFactor);
    // The encoder reads `seconds` for this entry (a lead before it and a little past its
    // end); its position counts in that proportion, never past the entry's half.
    void SetEncoderReading(double seconds);
    // A chunk of the encoder pass from index 20 on.
    void EncoderChunk(const QString &chunk);
    void BeginTranscoder();
    // A chunk of the transcoder pass from index 2 on.
    void TranscoderChunk(const QString &chunk);
    // A chunk of the converter in a streamed conversion (both passes at once): its time
    // stands for both halves of the entry's share.
    void StreamChunk(const QString &chunk);
    // The same from a position in seconds of the entry known otherwise.
    void StreamPosition(double seconds);
    // The entry's passes are over: current bar 100, frames total / total.
    void EntryFinished();
    // The entry's share goes into the done seconds (finished, skipped or failed alike).
    void CountEntryDone();
    // After the last entry: total bar 100.
    void RunComplete();
    // The one-second clock; `converting`: a pass of the entry runs (not a reading, a check
    // or the pre-pass). The remaining time is what is left to convert at the rate the passes
    // have gone so far, and for each entry not begun yet the time the steps around its
    // passes have taken an entry so far.
    void Tick(bool converting = true);

    const TConversionProgress &Progress() const { return m_progress; }
    double TotalSeconds() const { return m_totalSeconds; }
    double DoneSeconds() const { return m_doneSeconds; }
    double EncoderPosition() const { return m_encoderPosition; }
    double TranscoderTime() const { return m_transcoderTime; }
    int ElapsedSeconds() const { return m_elapsedSeconds; }
    int RemainingSeconds() const { return m_remainingSeconds; }

private:
    void SetCurrent(double position);
    void SetTotal(double position);
    double RemainingEstimate() const;
    void SetFrames(double shown);

    TConversionProgress m_progress;
    double m_totalSeconds = 0;
    double m_runFrameRateFactor = 0;
    double m_frameRateFactor = 0; // the entry's
    double m_doneSeconds = 0;
    double m_encoderPosition = 0;
    double m_transcoderTime = 0;
    double m_length = 0;
    double m_encoderReading = 0; // 0: the entry's length
    qint64 m_totalFrames = 0;
    int m_elapsedSeconds = 0;
    int m_remainingSeconds = 0;
    // For the remaining time: where the run is (what the total bar shows, unrounded), the
    // seconds converted by passes and the clock's ticks spent in them and outside them.
    double m_position = 0;
    double m_convertedSeconds = 0;
    int m_convertingTicks = 0;
    int m_entryOtherTicks = 0; // outside the passes, of the entry under way
    int m_otherTicksDone = 0; // of the entries done
    int m_entries = 1;
    int m_entriesBegun = 0;
    int m_entriesDone = 0;
};
