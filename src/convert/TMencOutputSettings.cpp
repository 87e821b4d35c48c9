#include "TMencOutputSettings.h"

TMencOutputSettings &MencOutputSettings()
{
    static TMencOutputSettings settings;
    return settings;
}
