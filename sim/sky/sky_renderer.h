#pragma once
// Draws the sky into a packed BGR24 frame: sky background and Gaussian stars, both
// scaled by the exposure's gain, pixel noise on top, grey pixels clipped to 0..255.

#include "sim/sky/sim_random.h"
#include "sim/sky/sky_model.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmora::sim {

class SkyRenderer {
public:
    explicit SkyRenderer(std::uint64_t seed) : m_random(seed) {}

    // `noise` is the RMS of one frame's noise; a gain above 1 (a longer integration)
    // raises it by the square root of the gain.
    void render(const std::vector<StarImage>& stars, double background, double noise, double gain, int width,
                int height, std::uint8_t* bgr, std::size_t stride);

private:
    void drawStar(const StarImage& star, double gain, int width, int height);

    std::vector<float> m_levels; // reused while the frame size stays
    SimRandom m_random;
};

} // namespace velmora::sim
