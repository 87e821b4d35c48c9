#pragma once

#include "convert/commands/TScanType.h"

#include <QString>

// What the encoder options say about the frame and the streams; the conversion run scales
// the encoder's picture by it.
struct TMencOutputSettings
{
    QString OutputSize; // W:H, e.g. 640:480; empty: the source size
    QString OutputWidth;
    QString OutputHeight;
    QString OutputAspect; // e.g. 4:3
    QString VideoBitrate;
    QString AudioSampleRate;
    QString VideoCodec; // the converter's, e.g. mpeg2video
    bool RawPicture = false; // the encoder writes raw pictures (a streamed conversion)
    TDeinterlace Deinterlace = TDeinterlace::Auto; // the profile's "Deinterlace" row
    bool AutoCrop = false; // the profile's "Crop" row: the disc's own bars found and cropped
};
