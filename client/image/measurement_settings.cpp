#include "client/image/measurement_settings.h"

#include "client/shell/settings_store.h"

#include <algorithm>
#include <cstdio>

namespace velmora::client {

namespace {

std::string thresholdName(int planeCount, int plane)
{
    char name[64];
    std::snprintf(name, sizeof name, "Reference Color %d-%d", planeCount, plane);
    return name;
}

} // namespace

int MeasurementSettings::clampSquareSize(int size, int width, int height)
{
    // Raised to the minimum first, then lowered to the image, so a tiny image still
    // gets a square that fits it.
    return std::min(std::max(size, kMinSquareSize), std::min(width, height));
}

void MeasurementSettings::load(const SettingsStore& store, const std::string& section, int width, int height,
                               int planeCount)
{
    squareSize = clampSquareSize(store.readInt(section, "Square Size", kDefaultSquareSize), width, height);
    // A negative limit would make every tracking run to the iteration cap.
    convergence = std::max(store.readInt(section, "Iter Level", 10), 0) * 0.1;
    fullScreen = store.readInt(section, "Full Screen", 0) != 0;
    autoGuiding = !fullScreen && store.readInt(section, "Auto Guiding", 0) != 0;
    detectNumber = std::max(store.readInt(section, "Detect Number", 5), 1);
    thresholds.assign(static_cast<std::size_t>(std::max(planeCount, 0)), 0);
    for (int p = 0; p < planeCount; ++p)
        thresholds[static_cast<std::size_t>(p)] = static_cast<std::uint16_t>(
            std::clamp(store.readInt(section, thresholdName(planeCount, p), 0), 0, 65535));
}

void MeasurementSettings::save(SettingsStore& store, const std::string& section) const
{
    store.writeInt(section, "Square Size", squareSize);
    store.writeInt(section, "Iter Level", static_cast<int>(convergence * 10));
    store.writeInt(section, "Auto Guiding", autoGuiding ? 1 : 0);
    store.writeInt(section, "Full Screen", fullScreen ? 1 : 0);
    store.writeInt(section, "Detect Number", detectNumber);
    const int planeCount = static_cast<int>(thresholds.size());
    for (int p = 0; p < planeCount; ++p)
        store.writeInt(section, thresholdName(planeCount, p), thresholds[static_cast<std::size_t>(p)]);
}

} // namespace velmora::client
