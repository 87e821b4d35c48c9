#include "AudioTrackChoice.h"

QList<int> ChosenAudioTracks(const TTaskNodeData &entry)
{
    QList<int> chosen{entry.AudioIndex};
    for (const int track : entry.MoreAudioIndexes) {
        if (!chosen.contains(track))
            chosen << track;
    }
    return chosen;
}

QList<int> ToggleAudioTrack(const QList<int> &chosen, int track)
{
    QList<int> toggled = chosen;
    if (!toggled.contains(track))
        toggled << track;
    else if (toggled.size() > 1)
        toggled.removeAll(track);
    return toggled;
}

QString AudioChoiceText(const QStringList &tracks, const QList<int> &chosen, bool keepsSeveral)
{
    QStringList shown;
    for (const int track : chosen) {
        if (track >= 0 && track < tracks.size())
            shown << tracks.at(track);
    }
    if (shown.size() > 1 && !keepsSeveral)
        return shown.first() + QStringLiteral(" (+%1 left out)").arg(shown.size() - 1);
    return shown.join(QStringLiteral(" + "));
}
