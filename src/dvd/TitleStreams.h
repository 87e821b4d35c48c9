#pragma once

#include "TIFO.h"

#include <QList>
#include <QString>

// A title's sound tracks and subtitles as its program chain marks them, in the order the task
// list offers them, with the ids their packets carry in the VOB. The one walk the task list,
// the conversion and the subtitle reader all take, so that the k-th track is the same for all.

struct TTitleAudio
{
    int Stream = 0; // the title set's stream
    // How the VOB numbers it (what the encoder's -aid takes): AC3 0x80 + n, DTS 0x88 + n,
    // LPCM 0xa0 + n, MPEG audio n.
    int Id = 0;
    TAudioStream Attributes;
};
QList<TTitleAudio> TitleAudio(const TProgramChain &chain, const TVTS_VOBS &vobs);

struct TTitleSubtitle
{
    int Stream = 0;
    // The id its packets carry for this title's picture (0..31): a 16:9 disc often keeps others
    // for its letterbox and pan-scan versions.
    int Id = 0;
    QString Language; // the language table's name
    QString LanguageCode; // the two code bytes as stored
};
QList<TTitleSubtitle> TitleSubtitles(const TProgramChain &chain, const TVTS_VOBS &vobs);

// NTSC (29.97 pictures a second, tables counting 30) or, whatever else the table says, PAL.
bool IsNtsc(const TVideoStream &video);
