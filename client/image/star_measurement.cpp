#include "client/image/star_measurement.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace velmora::client {

namespace {

std::int32_t thresholdOf(std::span<const std::uint16_t> thresholds, int plane)
{
    return static_cast<std::size_t>(plane) < thresholds.size() ? thresholds[static_cast<std::size_t>(plane)]
                                                               : 0;
}

// Calls fn(x, y, weight) for every pixel of the clipped rectangle, row by row.
template <typename Fn>
void forEachWeight(const ImageFrame& frame, const PixelRect& clip, std::span<const std::uint16_t> thresholds,
                   Fn&& fn)
{
    const int planes = frame.planeCount();
    if (planes == 1) {
        const std::int32_t t = thresholdOf(thresholds, 0);
        for (int y = clip.top; y < clip.bottom; ++y) {
            const std::uint16_t* row = frame.row(0, y);
            for (int x = clip.left; x < clip.right; ++x)
                fn(x, y, std::max<std::int64_t>(0, row[x] - t));
        }
        return;
    }
    for (int y = clip.top; y < clip.bottom; ++y) {
        for (int x = clip.left; x < clip.right; ++x) {
            std::int64_t weight = 0;
            for (int p = 0; p < planes; ++p)
                weight += std::max<std::int32_t>(0, frame.row(p, y)[x] - thresholdOf(thresholds, p));
            fn(x, y, weight);
        }
    }
}

} // namespace

Centroid MeasureCentroid(const ImageFrame& frame, const PixelRect& rect,
                         std::span<const std::uint16_t> thresholds)
{
    Centroid start{(rect.left + rect.right) * 0.5, (rect.top + rect.bottom) * 0.5};
    const PixelRect clip = rect.clippedTo(frame.width(), frame.height());
    double total = 0.0;
    double sumX = 0.0;
    double sumY = 0.0;
    forEachWeight(frame, clip, thresholds, [&](int x, int y, std::int64_t weight) {
        const double w = static_cast<double>(weight);
        total += w;
        sumX += w * x;
        sumY += w * y;
    });
    if (total == 0.0)
        return start;
    return {sumX / total, sumY / total};
}

double MeasureFwhm(const ImageFrame& frame, const PixelRect& rect, std::span<const std::uint16_t> thresholds,
                   double sx, double sy)
{
    const PixelRect clip = rect.clippedTo(frame.width(), frame.height());
    std::int64_t maxWeight = 0;
    forEachWeight(frame, clip, thresholds,
                  [&](int, int, std::int64_t weight) { maxWeight = std::max(maxWeight, weight); });
    // weight > M·0.5 compared without rounding as 2·weight > M.
    std::int64_t count = 0;
    forEachWeight(frame, clip, thresholds, [&](int, int, std::int64_t weight) {
        if (2 * weight > maxWeight)
            ++count;
    });
    return DiscDiameter(static_cast<double>(count), sx, sy);
}

void SquareMaxima(const ImageFrame& frame, const PixelRect& rect, std::span<std::uint16_t> maxima)
{
    const PixelRect clip = rect.clippedTo(frame.width(), frame.height());
    const int planes = std::min(frame.planeCount(), static_cast<int>(maxima.size()));
    for (int p = 0; p < planes; ++p) {
        std::uint16_t best = 0;
        for (int y = clip.top; y < clip.bottom; ++y) {
            const std::uint16_t* row = frame.row(p, y);
            for (int x = clip.left; x < clip.right; ++x)
                best = std::max(best, row[x]);
        }
        maxima[static_cast<std::size_t>(p)] = best;
    }
}

double DiscDiameter(double pixelCount, double sx, double sy)
{
    const double area = pixelCount * sx * sy;
    return area > 0.0 ? 2.0 * std::sqrt(area / std::numbers::pi) : 0.0;
}

} // namespace velmora::client
