#include "SubtitleStreams.h"

#include "dvd/DvdLibrary.h"

namespace {

// The title's chain and its title set, as the opening read them; null when unreadable.
const TProgramChain *TitleChain(const DvdLibrary::Handle &dvd, int titleNumber, const TVTS_VOBS *&vobs)
{
    int titleSet = -1, chain = -1;
    DvdLibrary::DVD_GetIndexInfo(dvd, titleNumber - 1, titleSet, chain);
    if (titleSet < 0 || chain < 0)
        return nullptr;
    const TIFO &parsed = DvdLibrary::DVD_GetTitleSet(dvd, titleSet)->Ifo;
    if (chain >= parsed.Pgci.ProgramChains.size())
        return nullptr;
    vobs = &parsed.Vobs;
    return &parsed.Pgci.ProgramChains.at(chain);
}

QString Location(const QString &dvdPath)
{
    QString location = dvdPath;
    if (location.size() > 1 && location.endsWith(QLatin1Char('/')))
        location.chop(1);
    return location;
}

} // namespace

QList<int> TitleAudioIds(const QString &dvdPath, int titleNumber)
{
    const QString location = Location(dvdPath);
    if (location.isEmpty() || titleNumber < 1)
        return {};
    const DvdLibrary::Handle dvd = DvdLibrary::DVD_OpenDVD(location);
    const TVTS_VOBS *vobs = nullptr;
    const TProgramChain *k = TitleChain(dvd, titleNumber, vobs);
    if (!k)
        return {};
    // The same walk as the one that made the task list's audio list.
    QList<int> ids;
    for (int i = 0; i < vobs->AudioStreamCount && i < vobs->AudioStreams.size() && i < k->AudioAvailable.size(); ++i) {
        if (k->AudioAvailable.at(i) != QLatin1Char('1'))
            continue;
        // How the VOB numbers the stream, which is what the encoder's -aid takes.
        const QString &coding = vobs->AudioStreams.at(i).CodingMode;
        if (coding == u"MPEG1" || coding == u"MPEG2")
            ids << i;
        else if (coding == u"LPCM")
            ids << 0xa0 + i;
        else if (coding == u"DTS")
            ids << 0x88 + i;
        else
            ids << 0x80 + i;
    }
    return ids;
}

QList<int> TitleSubtitleStreams(const QString &dvdPath, int titleNumber)
{
    const QString location = Location(dvdPath);
    if (location.isEmpty() || titleNumber < 1)
        return {};
    const DvdLibrary::Handle dvd = DvdLibrary::DVD_OpenDVD(location);
    const TVTS_VOBS *vobsRead = nullptr;
    const TProgramChain *chain = TitleChain(dvd, titleNumber, vobsRead);
    if (!chain)
        return {};
    const TProgramChain &k = *chain;
    const TVTS_VOBS &vobs = *vobsRead;
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
