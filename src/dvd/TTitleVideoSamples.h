#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Stretches of one title's video, read at even steps over its cells: enough to judge the
// whole title from a few megabytes, however long it is.
struct TTitleVideoSamples
{
    QList<QByteArray> Samples; // whole 2048-byte packs each
    bool Ntsc = false; // the title set's video standard
    QString Problem; // why nothing could be read

    // location: the DVD folder or image; titleNumber: 1-based, as dvd://N counts.
    static TTitleVideoSamples Read(const QString &location, int titleNumber, int count, int sectorsEach);
};
