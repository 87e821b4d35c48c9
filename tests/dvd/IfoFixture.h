#pragma once

#include "dvd/TIFO.h"

#include <QByteArray>
#include <QList>
#include <QString>

// Builds title-set information files byte by byte, to reach what dvdauthor never writes.

// A playback time in the DVD's BCD layout; rate 25 or 30 frames per second.
quint32 BcdTime(int hours, int minutes, int seconds, int frames, int rate = 25);

void Put8(QByteArray &data, quint64 pos, quint8 value);
void Put16(QByteArray &data, quint64 pos, quint16 value);
void Put32(QByteArray &data, quint64 pos, quint32 value);

struct ChainSpec
{
    QList<int> programMap; // entry cell of each program
    QList<quint32> cellTimes; // BCD time of each cell
    QList<quint8> cellCategories; // the first byte of each cell's entry (block mode and type); empty: 0x11
    quint32 playbackTime = 0;
    int programCount = -1; // -1: programMap.size()
    int cellCount = -1; // -1: cellTimes.size()
    quint32 audioMask = 0; // bit k: audio stream k available
    quint32 subpictureMask = 0; // bit k: subpicture stream k available
};

struct AudioSpec
{
    quint16 bits = 0; // the entry's first word
    QByteArray code = "en";
    quint8 extension = 0;
};

class IfoFixture
{
public:
    quint16 video = 0x5000; // MPEG2, PAL, 4:3, 720x576
    QList<AudioSpec> audio;
    int audioCount = -1; // -1: audio.size()
    QList<QByteArray> subpictures; // language codes
    int subpictureWord = -1; // -1: subpictures.size()
    quint32 pgciSector = 1;
    quint32 chainGap = 0; // bytes left free before each chain
    QList<ChainSpec> chains;
    QList<int> searchEntries; // chain each search entry names; empty: one entry per chain

    QByteArray Build();

    // Where Build put things (byte offsets from the start of the file).
    quint64 pgciAt = 0;
    QList<quint64> chainAt;
    QList<quint64> programMapAt;
    QList<quint64> cellTableAt;
};

// A readable text of everything in a TIFO, to compare two parses.
QString Dump(const TIFO &ifo);
