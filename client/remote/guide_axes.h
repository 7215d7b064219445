#pragma once
// The reticle's axes as the protocol names them: the horizontal axis is corrected
// with East/West pulses, so it is RA; the vertical axis (North/South) is Dec.
// Offsets here are image pixels, rotated by the reticle angle like the guiding
// offsets (h = cosA·dx + sinA·dy, v = −sinA·dx + cosA·dy).

#include <random>

namespace velmora::client::remote {

struct PixelOffset {
    double dx = 0.0;
    double dy = 0.0;
};

struct RaDecPixels {
    double ra = 0.0;
    double dec = 0.0;
};

RaDecPixels toRaDec(PixelOffset offset, double cosA, double sinA);
PixelOffset fromRaDec(RaDecPixels offset, double cosA, double sinA);

// A dither: up to `amount` pixels along each axis, uniformly, Dec left alone with raOnly.
PixelOffset ditherOffset(double amount, bool raOnly, double cosA, double sinA, std::mt19937_64& random);

} // namespace velmora::client::remote
