#include "SubtitleStreams.h"

#include "dvd/DvdLibrary.h"

QList<int> TitleSubtitleStreams(const QString &dvdPath, int titleNumber)
{
    QString location = dvdPath;
    if (location.size() > 1 && location.endsWith(QLatin1Char('/')))
        location.chop(1);
    if (location.isEmpty() || titleNumber < 1)
        return {};
    const DvdLibrary::Handle dvd = DvdLibrary::DVD_OpenDVD(location);
    int titleSet = -1, chain = -1;
    DvdLibrary::DVD_GetIndexInfo(dvd, titleNumber - 1, titleSet, chain);
    if (titleSet < 0 || chain < 0)
        return {};
    // The title set as the opening read it: from its .IFO or its backup, in a folder or an image.
    const TIFO &parsed = DvdLibrary::DVD_GetTitleSet(dvd, titleSet)->Ifo;
    if (chain >= parsed.Pgci.ProgramChains.size())
        return {};
    const TProgramChain &k = parsed.Pgci.ProgramChains.at(chain);
    const TVTS_VOBS &vobs = parsed.Vobs;
    // The same walk as the one that made the task list's subtitle list.
    QList<int> streams;
    for (int i = 0; i < vobs.SubpictureStreamCount && i < vobs.SubpictureLanguages.size() && i < k.SubpictureAvailable.size(); ++i) {
        if (k.SubpictureAvailable.at(i) == QLatin1Char('1'))
            streams << i;
    }
    return streams;
}

int SubtitleStreamFor(const QList<int> &streams, int subtitleIndex)
{
    if (subtitleIndex <= 0)
        return -1;
    if (subtitleIndex <= streams.size())
        return streams.at(subtitleIndex - 1);
    return subtitleIndex - 1;
}
