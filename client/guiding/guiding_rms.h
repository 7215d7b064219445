#pragma once
// The RMS read-outs of the guiding window: over the history's unfiltered offsets,
// per axis and in total, the root mean square from the reticle centre (arcseconds,
// and pixels by the image scale) and the largest excursion. Not kept in the settings.

#include <span>
#include <string>

namespace velmora::client {

class GuidingHistory;

struct GuidingRms {
    std::size_t samples = 0;
    double horizontal = 0.0; // arcseconds
    double vertical = 0.0;
    double total = 0.0; // sqrt(mean(h² + v²))
    double peakHorizontal = 0.0;
    double peakVertical = 0.0;
    double peakTotal = 0.0;

    // Pixels for arcseconds by the mean image scale sqrt(sx·sy); 0 without a scale.
    static double toPixels(double arcsec, double sx, double sy);
};

GuidingRms computeGuidingRms(std::span<const double> horizontal, std::span<const double> vertical);
GuidingRms computeGuidingRms(const GuidingHistory& history);

// "%.2f" of a read-out, empty before any guided frame.
std::string rmsText(const GuidingRms& rms, double value);

} // namespace velmora::client
