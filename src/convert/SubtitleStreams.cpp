#include "SubtitleStreams.h"

#include "app/EQuarnelError.h"
#include "app/PathText.h"
#include "dvd/DvdLibrary.h"
#include "dvd/Parser.h"

#include <QFileInfo>

QList<int> TitleSubtitleStreams(const QString &dvdPath, int titleNumber)
{
    QString folder = EnsureTrailingBackslash(dvdPath);
    if (folder.isEmpty() || titleNumber < 1)
        return {};
    QString libraryPath = folder;
    libraryPath.chop(1);
    const DvdLibrary::Handle dvd = DvdLibrary::DVD_OpenDVD(libraryPath);
    int titleSet = -1, chain = -1;
    DvdLibrary::DVD_GetIndexInfo(dvd, titleNumber - 1, titleSet, chain);
    if (titleSet < 0 || chain < 0)
        return {};
    const QString ifo = FileInFolder(folder, QStringLiteral("VTS_%1_0.IFO").arg(titleSet + 1, 2, 10, QLatin1Char('0')));
    if (!QFileInfo(ifo).isFile())
        return {};
    TIFO parsed;
    try {
        parsed = Parser::ParseIfo(ifo);
    } catch (const EQuarnelError &) {
        return {}; // the opening reported it; the list position is all we have
    }
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
