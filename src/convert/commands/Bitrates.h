#pragma once

#include <QString>
#include <QStringList>

// Bitrates as the tools' options give them.

// A bitrate as tools take it ("800000", "800k", "2M", "192"), in kilobits per second;
// values below 16000 are taken as kilobits already (as MEncoder does). 0 when unreadable.
double BitrateKbps(const QString &value);

// The kilobits per second of the transcoder's switches for video (-b:v, -b) or sound
// (-b:a, -ab); `fallback` when the arguments name none.
double ArgumentBitrateKbps(const QStringList &arguments, bool video, double fallback);
