#pragma once

#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>

// What the program keeps of one title-set information file (VTS_nn_0.IFO).
// Times are text "h:mm:ss.zzz".

struct TVideoStream
{
    QString AspectRatio; // "4:3", "16:9" or "???"
    QString Standard; // "NTSC", "PAL" or "???"
    QString CodingMode; // "MPEG1", "MPEG2" or "???"
    QString Resolution; // "720x576" etc.; empty unless Standard is PAL or NTSC
};

struct TAudioStream
{
    quint8 LanguageType = 0; // the 2-bit field written in binary digits: 0, 1, 10 or 11
    QString Language; // name from the language table, "???" when unknown
    QString LanguageCode; // the two code bytes as stored
    QString CodingMode; // "AC3", "MPEG1", "MPEG2", "LPCM", "DTS" or "???"
    quint8 Channels = 0; // 1..8
    QString CodeExtension;
};

struct TVTS_VOBS
{
    quint16 AudioStreamCount = 0;
    quint8 SubpictureStreamCount = 0;
    TVideoStream VideoStream;
    QList<TAudioStream> AudioStreams;
    QStringList SubpictureLanguages;
    QStringList SubpictureCodes; // the two code bytes as stored
};

// Where one cell's video lies: sectors from the start of the title set's VOBs, and when it
// plays: milliseconds from the start of its chain, as the table counts them.
struct TCellSectors
{
    quint32 First = 0;
    quint32 Last = 0;
    quint32 LastVobuStart = 0; // where its last VOBU begins
    qint64 StartMs = 0;
    qint64 LengthMs = 0;
    // The table's own count: whole frames at 25 or 30 a second (NTSC's 30 play at 29.97).
    qint64 StartFrames = 0;
    qint64 LengthFrames = 0;
    int FrameRate = 25;
    // In an angle block, the camera angle (1-based) the cell shows; 0 outside one.
    int Angle = 0;
};

struct TProgramChain
{
    quint8 ProgramCount = 0;
    quint8 CellCount = 0;
    QString PlaybackTime;
    QList<quint8> ProgramMap; // entry cell (1-based) of each program
    QStringList ChapterDurations;
    QStringList ChapterStarts; // from the start of the chain
    QList<QChar> AudioAvailable; // '1'/'0' per audio stream of the title set
    QList<QChar> SubpictureAvailable;
    // Per subpicture stream of the title set: the id its packets carry in the VOB for this
    // title's picture (4:3, or the wide one of a 16:9 title set), 0..31.
    QList<int> SubpictureIds;
    QList<quint32> Palette; // the subpictures' 16 colours, 0x00YYCrCb
    QList<TCellSectors> CellSectors; // the cells the programs take, in order
};

struct TVTS_PGCI
{
    quint16 ProgramChainCount = 0;
    QList<TProgramChain> ProgramChains; // in file order
};

struct TIFO
{
    TVTS_VOBS Vobs;
    TVTS_PGCI Pgci;
};
