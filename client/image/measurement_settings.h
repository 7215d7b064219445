#pragma once
// The square and threshold settings of one tool dialog, kept in its own section:
// "Square Size", "Iter Level", "Auto Guiding", "Full Screen", "Detect Number" and
// per plane "Reference Color %d-%d" (plane count, plane).

#include <cstdint>
#include <string>
#include <vector>

namespace velmora::client {

class SettingsStore;

struct MeasurementSettings {
    static constexpr int kDefaultSquareSize = 64;
    static constexpr int kMinSquareSize = 16;

    int squareSize = kDefaultSquareSize;
    double convergence = 1.0; // pixels
    bool autoGuiding = false;
    bool fullScreen = false;
    int detectNumber = 5;
    std::vector<std::uint16_t> thresholds;

    // Reads the section and puts every value through its range: the square side into
    // 16…min(width, height), convergence and detect number to non-negative and at
    // least one frame, thresholds into 0…65535; "Full Screen" clears "Auto Guiding".
    void load(const SettingsStore& store, const std::string& section, int width, int height, int planeCount);
    void save(SettingsStore& store, const std::string& section) const;

    static int clampSquareSize(int size, int width, int height);
};

} // namespace velmora::client
