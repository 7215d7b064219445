#include "sim/sky/sky_renderer.h"

#include <algorithm>
#include <cmath>

namespace velmora::sim {

namespace {

constexpr double kTwoPi = 2.0 * 3.14159265358979323846;
// A star is drawn out to this many sigmas; beyond, it is below a hundredth of a level.
constexpr double kReachSigmas = 5.0;

} // namespace

void SkyRenderer::drawStar(const StarImage& star, double gain, int width, int height)
{
    if (star.sigma <= 0.0 || !std::isfinite(star.x) || !std::isfinite(star.y))
        return;
    const double reach = kReachSigmas * star.sigma;
    const int x0 = static_cast<int>(std::max(0.0, std::floor(star.x - reach)));
    const int x1 = static_cast<int>(std::min(width - 1.0, std::ceil(star.x + reach)));
    const int y0 = static_cast<int>(std::max(0.0, std::floor(star.y - reach)));
    const int y1 = static_cast<int>(std::min(height - 1.0, std::ceil(star.y + reach)));
    const double peak = gain * star.flux / (kTwoPi * star.sigma * star.sigma);
    const double k = -0.5 / (star.sigma * star.sigma);
    for (int y = y0; y <= y1; ++y) {
        const double dy2 = (y - star.y) * (y - star.y);
        float* row = m_levels.data() + static_cast<std::size_t>(y) * width;
        for (int x = x0; x <= x1; ++x)
            row[x] += static_cast<float>(peak * std::exp(k * ((x - star.x) * (x - star.x) + dy2)));
    }
}

void SkyRenderer::render(const std::vector<StarImage>& stars, double background, double noise, double gain,
                         int width, int height, std::uint8_t* bgr, std::size_t stride)
{
    if (width <= 0 || height <= 0)
        return;
    m_levels.assign(static_cast<std::size_t>(width) * height, static_cast<float>(background * gain));
    for (const StarImage& star : stars)
        drawStar(star, gain, width, height);
    const float sigma = static_cast<float>(noise * std::sqrt(std::max(gain, 1.0)));
    for (int y = 0; y < height; ++y) {
        const float* level = m_levels.data() + static_cast<std::size_t>(y) * width;
        std::uint8_t* out = bgr + stride * static_cast<std::size_t>(y);
        for (int x = 0; x < width; ++x) {
            float v = level[x];
            if (sigma > 0.0f)
                v += sigma * m_random.quickGaussian();
            const auto byte = static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
            out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = byte;
        }
    }
}

} // namespace velmora::sim
