#pragma once
// How the camera turns a frame into its image: the colour mode, the 2 x 2 colour filter
// pattern of the sensor (matrix type) and a gain per channel in percent.

#include <array>

namespace velmora::server {

enum class ColourMode { Graying = 0, Luminosity = 1, Original = 2, Debayerization = 3 };

// Channel order of a frame pixel and plane order of the image.
enum ColourChannel : int { kBlue = 0, kGreen = 1, kRed = 2 };

struct ColourSettings {
    static constexpr int kMatrixTypes = 4;

    ColourMode mode = ColourMode::Original;
    int matrixType = 0;
    std::array<int, 3> coefficients{100, 100, 100}; // indexed by ColourChannel

    // From stored numbers: a mode outside 0..3 falls back to "Original" and a matrix
    // type outside 0..3 to 0, so a damaged profile still gives a usable camera.
    static ColourSettings fromStored(int mode, int matrixType, int blue, int green, int red);

    int planeCount() const { return planeCountFor(mode); }
    static int planeCountFor(ColourMode mode);
    // "Graying", "Luminosity", "Original", "Debayerization".
    static const char* modeName(ColourMode mode);
};

} // namespace velmora::server
