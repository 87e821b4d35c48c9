#include "convert/commands/SubtitleStreams.h"

#include "dvd/DvdLibrary.h"

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
        // The same walk as the one that made the task list's audio list.
        QList<int> ids;
        for (int i = 0; i < vobs.AudioStreamCount && i < vobs.AudioStreams.size() && i < k.AudioAvailable.size(); ++i) {
            if (k.AudioAvailable.at(i) != QLatin1Char('1'))
                continue;
            // How the VOB numbers the stream, which is what the encoder's -aid takes.
            const QString &coding = vobs.AudioStreams.at(i).CodingMode;
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
    });
}

QList<int> TitleSubtitleStreams(const QString &dvdPath, int titleNumber)
{
    return FromTitleChain(dvdPath, titleNumber, [](const TProgramChain &k, const TVTS_VOBS &vobs) {
        // The same walk as the one that made the task list's subtitle list.
        QList<int> streams;
        for (int i = 0;
             i < vobs.SubpictureStreamCount && i < vobs.SubpictureLanguages.size() && i < k.SubpictureAvailable.size();
             ++i) {
            // The id the VOB gives the stream for this title's picture, which is what -sid takes;
            // a 16:9 disc often keeps other ids for its letterbox and pan-scan versions.
            if (k.SubpictureAvailable.at(i) == QLatin1Char('1'))
                streams << (i < k.SubpictureIds.size() ? k.SubpictureIds.at(i) : i);
        }
        return streams;
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
