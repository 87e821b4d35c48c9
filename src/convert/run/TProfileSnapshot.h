#pragma once

#include "convert/commands/TMencOutputSettings.h"
#include "convert/commands/TranscoderCommand.h"

#include <QString>

struct TConversionRequest;

// The profile as a run takes it at Start, read once: the encoder's options with what they
// filled, and the converter's options. A profile changed while the run goes on changes none of
// its entries.
struct TProfileSnapshot
{
    QString EncoderOptions;
    TMencOutputSettings Settings;
    TTranscoderOptions Converter;

    static TProfileSnapshot Take(const TConversionRequest &request);
};
