#pragma once

struct TPreferences;

// The preferences in effect that a conversion reads (the Settings dialog's controls).
struct TConversionPreferences
{
    // Skip: leave an existing file and go on, as a No to the question does.
    enum class WhenExists { Ask, Rename, Overwrite, Skip };
    WhenExists Existing = WhenExists::Ask;
    bool ExitWhenDone = false;
    bool OpenFolderWhenDone = false;
    // A tool that shows no progress for this long is ended and its entry fails.
    int StallSeconds = 60;
    // The intermediate file at a quality that does not limit the result, or at the profile's bitrate.
    bool HighQualityIntermediate = true;
    // The encoder pass streams into the converter through a pipe; no intermediate file.
    bool StreamedIntermediate = true;
    // MKV, MP4 and MOV files get a mark at each chapter of the entry.
    bool ChapterMarks = true;
    // The chosen subtitle as a track of its own in MKV and MP4 files instead of burnt in.
    bool SubtitleTrack = false;

    // The stored preferences as the Settings dialog shows them: Overwrite wins over Ask;
    // Rename when neither is set.
    static TConversionPreferences FromStored(const TPreferences &stored);
};
