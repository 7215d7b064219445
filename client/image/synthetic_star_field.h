#pragma once
// Synthetic camera frames for tests and benchmarks: Gaussian stars on a flat sky with
// Poisson-like noise (σ = √signal, one count per electron), as 16-bit camera values in
// the driver's storage order (x fastest, then y, then plane; every plane alike).

#include <cstdint>
#include <random>
#include <span>
#include <vector>

namespace velmora::client {

struct GaussianStar {
    double x = 0.0; // centre in pixel-index coordinates
    double y = 0.0;
    double fwhm = 3.0;     // pixels
    double peak = 20000.0; // above the background
};

class SyntheticStarField {
public:
    SyntheticStarField(int width, int height, int planeCount, std::uint32_t seed);

    // Background plus the stars, sampled at the pixel centres, noise added when noisy,
    // clamped to 0…65535.
    std::vector<std::int32_t> render(double background, std::span<const GaussianStar> stars, bool noisy);

    // A flat disc of the given radius (pixel centres within it) on a flat background.
    std::vector<std::int32_t> disc(double centreX, double centreY, double radius, int inside,
                                   int outside) const;

    int width() const { return m_width; }
    int height() const { return m_height; }
    int planeCount() const { return m_planeCount; }

private:
    std::vector<std::int32_t> replicatePlanes(std::vector<std::int32_t> plane) const;

    int m_width;
    int m_height;
    int m_planeCount;
    std::mt19937 m_random;
};

} // namespace velmora::client
