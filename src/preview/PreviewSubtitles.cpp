#include "PreviewSubtitles.h"

#include "app/EQuarnelError.h"
#include "dvd/DvdLibrary.h"
#include "dvd/Parser.h"

#include <QDir>

QList<int> PreviewSubtitles::ListedStreams(const QString &dvdFolder, int titleNumber)
{
    QString folder = QDir::cleanPath(dvdFolder);
    const DvdLibrary::Handle dvd = DvdLibrary::DVD_OpenDVD(folder);
    if (titleNumber < 1 || titleNumber > DvdLibrary::DVD_GetTitleNum(dvd))
        return {};
    int titleSet = -1, chain = -1;
    DvdLibrary::DVD_GetIndexInfo(dvd, titleNumber - 1, titleSet, chain);
    if (titleSet < 0 || chain < 0)
        return {};
    TIFO ifo;
    try {
        ifo = Parser::ParseIfo(QDir(folder).filePath(QStringLiteral("VTS_%1_0.IFO").arg(titleSet + 1, 2, 10, QLatin1Char('0'))));
    } catch (const EQuarnelError &) {
        // The list was made from the same file; if it no longer reads, show no subtitles.
        return {};
    }
    if (chain >= ifo.Pgci.ProgramChains.size())
        return {};
    const TProgramChain &k = ifo.Pgci.ProgramChains[chain];
    const TVTS_VOBS &vobs = ifo.Vobs;
    QList<int> streams;
    for (int i = 0; i < vobs.SubpictureStreamCount && i < vobs.SubpictureLanguages.size() && i < k.SubpictureAvailable.size(); ++i) {
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
