#pragma once

#include "core/EQuarnelError.h"

// The range slider's errors: "Max <= Min", "Min >= Max", "Slider not assigned to bitmap".
// They are user errors like any other, so the top-level report shows them.
class EmkRangeSlider : public EQuarnelError
{
public:
    using EQuarnelError::EQuarnelError;
};
