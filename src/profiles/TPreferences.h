#pragma once

#include <QString>
#include <QStringList>

class TNewInifile;

// The preferences the Settings dialog edits, as stored in a section of "Preferences.ini".
struct TPreferences
{
    QString OutputPath;
    QString WorkDir;
    int SynMode = 0;
    bool AutoOpenDir = true;
    bool AutoExit = false;
    bool AutoTurnOff = false;
    bool Ask = true;
    bool Overwrite = false;
    // The encoder pass's picture: true a quality that costs the result nothing (the default),
    // false the profile's own bitrate (a smaller intermediate file).
    bool HighQualityIntermediate = true;
    // No intermediate file: the encoder pass streams into the converter (the default).
    // Stored as "Intermediate Quality": 0 the profile's bitrate, 1 high, 2 streamed.
    bool StreamedIntermediate = true;
    // Files that hold them get a mark at each chapter ("Chapter Marks").
    bool ChapterMarks = true;
    // "Subtitles: Burn in / As a track", stored as "Subtitle Track" (0 burn in, the default).
    bool SubtitleTrack = false;
    // Seconds a tool may go without progress before it counts as hung; read only (kept in
    // the file by hand, e.g. for a drive that spins up slowly).
    int StallSeconds = 60;
    // What Read could not take as it stood, and what it took instead; never written.
    QStringList Notes;

    // "Intermediate Quality" as stored, and the Settings list's position.
    int IntermediateIndex() const { return StreamedIntermediate ? 2 : HighQualityIntermediate ? 1 : 0; }

    // What to do with an existing output file: Overwrite wins over Ask; neither is Rename.
    enum class Existing { Ask, Overwrite, Rename };
    Existing WhenExists() const { return Overwrite ? Existing::Overwrite : Ask ? Existing::Ask : Existing::Rename; }

    // The defaults: the output and work folders given (AppFolders chooses them).
    static TPreferences Defaults(const QString &outputDir, const QString &workDir);

    // A missing section or key, or a value that does not convert, gives the default.
    static TPreferences Read(const TNewInifile &ini, const QString &section, const QString &outputDir,
                             const QString &workDir);

    // Into section "Main", in this order: Output Path, Work Dir, Syn Mode, Auto Open Dir,
    // Auto Exit, Auto Turn Off, Ask, Overwrite, Intermediate Quality.
    void Write(TNewInifile &ini) const;
};
