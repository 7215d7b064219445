#include "server/camera/colour_settings.h"

namespace velmora::server {

ColourSettings ColourSettings::fromStored(int mode, int matrixType, int blue, int green, int red)
{
    ColourSettings settings;
    if (mode >= 0 && mode <= 3)
        settings.mode = static_cast<ColourMode>(mode);
    if (matrixType >= 0 && matrixType < kMatrixTypes)
        settings.matrixType = matrixType;
    settings.coefficients = {blue, green, red};
    return settings;
}

int ColourSettings::planeCountFor(ColourMode mode)
{
    return (mode == ColourMode::Graying || mode == ColourMode::Luminosity) ? 1 : 3;
}

const char* ColourSettings::modeName(ColourMode mode)
{
    switch (mode) {
    case ColourMode::Graying:
        return "Graying";
    case ColourMode::Luminosity:
        return "Luminosity";
    case ColourMode::Original:
        return "Original";
    case ColourMode::Debayerization:
        return "Debayerization";
    }
    return "";
}

} // namespace velmora::server
