#pragma once

#include <QString>
#include <QList>
#include <QStringList>

// What `quarnel --convert PATH [options]` asks for. Empty texts and lists mean "as the
// window would have it after opening the DVD".
struct TBatchOptions
{
    enum class IfExists { FromPreferences, Ask, Overwrite, Rename, Skip };

    QString DvdPath; // absolute
    QString OutputDir; // absolute; empty: the stored output path
    QString Profile; // empty: the stored profile
    QStringList Entries; // output names; empty: the longest title
    int Audio = 0; // indexes as in the drop-downs
    QList<int> MoreAudio; // --audio 0,2: the tracks after the first, in order
    bool AllAudio = false; // --audio all
    int Subtitle = 0;
    int Angle = 0;
    QString Start; // a trim of a single entry; empty: the entry's own start or end
    QString End;
    IfExists Existing = IfExists::FromPreferences;
    // --intermediate: streamed, high or bitrate (a file at high quality or the profile's bitrate).
    enum class IntermediateKind { FromPreferences, Streamed, High, ProfileBitrate };
    IntermediateKind Intermediate = IntermediateKind::FromPreferences;
    // --chapter-marks on|off; unset: the preferences.
    enum class Marks { FromPreferences, On, Off };
    Marks ChapterMarks = Marks::FromPreferences;
    // --subtitle-mode burn|track; unset: the preferences.
    enum class SubtitleMode { FromPreferences, Burn, Track };
    SubtitleMode Subtitles = SubtitleMode::FromPreferences;

    // The arguments as main() has them ("quarnel", "--convert", PATH, ...). False with a
    // message for anything it cannot take: an unknown option, a missing or extra value, a
    // number that is not a whole number from 0.
    static bool Parse(const QStringList &arguments, TBatchOptions &options, QString &error);
};
