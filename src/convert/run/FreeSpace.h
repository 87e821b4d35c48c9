#pragma once

#include <QString>
#include <QStringList>

// Room for an entry before its tools start, so a full disk fails the entry at once with
// the folder named instead of after minutes of work with a cut-short file.

// The encoder pass's file, kilobits per second: PCM sound (two channels of 16 bits at 48 kHz)
// and the picture at the profile's video bitrate (800 where it names none), or, at high
// quality, by the pixels it has to keep: a fixed quantiser of 2 took 1.66 bits a pixel on
// the noisiest DVD picture measured.
double IntermediateKbps(bool highQuality, const QString &videoBitrate, int width, int height, double frameRate);

// The bytes `seconds` take at `kbps`, with room to spare for bitrate swings and headers.
qint64 EstimatedBytes(double seconds, double kbps);

// Empty when both folders have room for their files (one disk holding both must hold
// both); otherwise the folder that is short and by how much.
QString CheckRoom(const QString &workFolder, qint64 workBytes, const QString &outputFolder, qint64 outputBytes);
