#include "PreviewSubtitles.h"

#include "dvd/DvdLibrary.h"

#include <QDir>

QList<int> PreviewSubtitles::ListedStreams(const QString &dvdFolder, int titleNumber)
{
    const QString folder = QDir::cleanPath(dvdFolder);
    const DvdLibrary::Handle dvd = DvdLibrary::DVD_OpenDVD(folder);
    if (titleNumber < 1 || titleNumber > DvdLibrary::DVD_GetTitleNum(dvd))
        return {};
    int titleSet = -1, chain = -1;
    DvdLibrary::DVD_GetIndexInfo(dvd, titleNumber - 1, titleSet, chain);
    if (titleSet < 0 || chain < 0)
        return {};
    // The title set as the opening read it: from its .IFO or its backup, in a folder or an image.
    const TIFO &ifo = DvdLibrary::DVD_GetTitleSet(dvd, titleSet)->Ifo;
    if (chain >= ifo.Pgci.ProgramChains.size())
        return {};
    const TProgramChain &k = ifo.Pgci.ProgramChains[chain];
    const TVTS_VOBS &vobs = ifo.Vobs;
    QList<int> streams;
    for (int i = 0;
         i < vobs.SubpictureStreamCount && i < vobs.SubpictureLanguages.size() && i < k.SubpictureAvailable.size();
         ++i) {
        if (k.SubpictureAvailable[i] == QLatin1Char('1'))
            streams << i;
    }
    return streams;
}

int PreviewSubtitles::StreamOfItem(const QList<int> &listed, int item)
{
    if (item < 1 || item > listed.size())
        return -1;
    return listed[item - 1];
}
