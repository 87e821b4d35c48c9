#include "convert/commands/SubtitleStreams.h"

#include "dvd/DvdLibrary.h"
#include "dvd/TitleStreams.h"

namespace {

// What `read` makes of the title's chain and its title set's streams, as the opening read
// them (from the .IFO or its backup, in a folder or an image); empty when they cannot be read.
template <class Read> QList<int> FromTitleChain(const QString &dvdPath, int titleNumber, Read read)
{
    if (dvdPath.isEmpty() || titleNumber < 1)
        return {};
    const DvdLibrary::Handle dvd = DvdLibrary::DVD_OpenDVD(dvdPath);
    int titleSet = -1;
    const TVTS_VOBS *vobs = nullptr;
    const TProgramChain *chain = DvdLibrary::TitleChain(dvd, titleNumber - 1, titleSet, vobs);
    return chain ? read(*chain, *vobs) : QList<int>();
}

} // namespace

QList<int> TitleAudioIds(const QString &dvdPath, int titleNumber)
{
    return FromTitleChain(dvdPath, titleNumber, [](const TProgramChain &k, const TVTS_VOBS &vobs) {
        QList<int> ids;
        for (const TTitleAudio &a : TitleAudio(k, vobs))
            ids << a.Id;
        return ids;
    });
}

QList<int> TitleSubtitleStreams(const QString &dvdPath, int titleNumber)
{
    return FromTitleChain(dvdPath, titleNumber, [](const TProgramChain &k, const TVTS_VOBS &vobs) {
        QList<int> ids;
        for (const TTitleSubtitle &s : TitleSubtitles(k, vobs))
            ids << s.Id;
        return ids;
    });
}

int SubtitleStreamFor(const QList<int> &streams, int subtitleIndex)
{
    if (subtitleIndex <= 0)
        return -1;
    if (subtitleIndex <= streams.size())
        return streams.at(subtitleIndex - 1);
    return subtitleIndex - 1;
}
