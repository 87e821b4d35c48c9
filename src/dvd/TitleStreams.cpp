#include "TitleStreams.h"

QList<TTitleAudio> TitleAudio(const TProgramChain &chain, const TVTS_VOBS &vobs)
{
    QList<TTitleAudio> tracks;
    for (int i = 0; i < vobs.AudioStreamCount && i < vobs.AudioStreams.size() && i < chain.AudioAvailable.size(); ++i) {
        if (chain.AudioAvailable.at(i) != QLatin1Char('1'))
            continue;
        const TAudioStream &a = vobs.AudioStreams.at(i);
        const int id = a.CodingMode == u"MPEG1" || a.CodingMode == u"MPEG2" ? i
                     : a.CodingMode == u"LPCM"                              ? 0xa0 + i
                     : a.CodingMode == u"DTS"                               ? 0x88 + i
                                                                            : 0x80 + i;
        tracks << TTitleAudio{i, id, a};
    }
    return tracks;
}

QList<TTitleSubtitle> TitleSubtitles(const TProgramChain &chain, const TVTS_VOBS &vobs)
{
    QList<TTitleSubtitle> subtitles;
    for (int i = 0;
         i < vobs.SubpictureStreamCount && i < vobs.SubpictureLanguages.size() && i < chain.SubpictureAvailable.size();
         ++i) {
        if (chain.SubpictureAvailable.at(i) != QLatin1Char('1'))
            continue;
        subtitles << TTitleSubtitle{i, i < chain.SubpictureIds.size() ? chain.SubpictureIds.at(i) : i,
                                    vobs.SubpictureLanguages.at(i), vobs.SubpictureCodes.value(i)};
    }
    return subtitles;
}

bool IsNtsc(const TVideoStream &video)
{
    return video.Standard == u"NTSC";
}
