#pragma once
// Star measurements inside a rectangle of a frame. The weight of a pixel is the sum
// over planes of max(0, sample − threshold of the plane); thresholds missing for a
// plane count as 0. Rectangles are clipped to the frame before reading.

#include "client/image/image_frame.h"
#include "client/image/pixel_rect.h"

#include <cstdint>
#include <span>

namespace velmora::client {

struct Centroid {
    double x = 0.0;
    double y = 0.0;
};

// Intensity-weighted centroid. Starts from the rectangle's own centre (before
// clipping), which is also the result when no pixel has weight.
Centroid MeasureCentroid(const ImageFrame& frame, const PixelRect& rect,
                         std::span<const std::uint16_t> thresholds);

// Width at half maximum in arcseconds: the diameter of the disc whose area equals
// the pixels whose weight exceeds half the largest weight, 2·sqrt(N·sx·sy/π).
double MeasureFwhm(const ImageFrame& frame, const PixelRect& rect, std::span<const std::uint16_t> thresholds,
                   double sx, double sy);

// Per plane, the largest sample inside the clipped rectangle (0 when it is empty),
// written to maxima[p] for p < min(planeCount, maxima.size()).
void SquareMaxima(const ImageFrame& frame, const PixelRect& rect, std::span<std::uint16_t> maxima);

// Area-equivalent diameter 2·sqrt(pixels·sx·sy/π) shared by the measurements.
double DiscDiameter(double pixelCount, double sx, double sy);

} // namespace velmora::client
