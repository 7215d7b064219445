#include "client/remote/star_metrics.h"

#include <cmath>

namespace velmora::client::remote {

namespace {

struct SquareSums {
    double mass = 0.0;
    double radiusWeighted = 0.0;
    long long starPixels = 0;
    long long skyPixels = 0;
    double skySum = 0.0;
    double skySquares = 0.0;
};

void addPlane(SquareSums& sums, const ImageFrame& frame, int plane, const PixelRect& rect,
              std::uint16_t threshold, double cx, double cy)
{
    for (int y = rect.top; y < rect.bottom; ++y) {
        const std::uint16_t* row = frame.row(plane, y);
        for (int x = rect.left; x < rect.right; ++x) {
            const double value = row[x];
            if (value > threshold) {
                const double weight = value - threshold;
                sums.mass += weight;
                sums.radiusWeighted += weight * std::hypot(x - cx, y - cy);
                ++sums.starPixels;
            } else {
                sums.skySum += value;
                sums.skySquares += value * value;
                ++sums.skyPixels;
            }
        }
    }
}

// The sky's standard deviation in the square, at least one count so a noiseless
// synthetic frame still gives a finite ratio.
double skyNoise(const SquareSums& sums)
{
    if (sums.skyPixels < 2)
        return 1.0;
    const double n = static_cast<double>(sums.skyPixels);
    const double mean = sums.skySum / n;
    const double variance = std::max(sums.skySquares / n - mean * mean, 0.0);
    return std::max(std::sqrt(variance), 1.0);
}

} // namespace

StarMetrics measureStar(const ImageFrame& frame, const PixelRect& square,
                        std::span<const std::uint16_t> thresholds, double centroidX, double centroidY)
{
    StarMetrics metrics;
    const PixelRect rect = square.clippedTo(frame.width(), frame.height());
    if (rect.isEmpty())
        return metrics;
    SquareSums sums;
    for (int p = 0; p < frame.planeCount(); ++p) {
        const std::uint16_t threshold =
            static_cast<std::size_t>(p) < thresholds.size() ? thresholds[static_cast<std::size_t>(p)] : 0;
        addPlane(sums, frame, p, rect, threshold, centroidX, centroidY);
    }
    if (sums.mass <= 0.0)
        return metrics;
    metrics.found = true;
    metrics.mass = sums.mass;
    metrics.snr = sums.mass / (skyNoise(sums) * std::sqrt(static_cast<double>(sums.starPixels)));
    metrics.hfdPixels = 2.0 * sums.radiusWeighted / sums.mass;
    return metrics;
}

} // namespace velmora::client::remote
