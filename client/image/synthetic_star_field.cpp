#include "client/image/synthetic_star_field.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace velmora::client {

namespace {

// FWHM = 2·sqrt(2·ln 2)·σ.
constexpr double kFwhmPerSigma = 2.3548200450309493;

} // namespace

SyntheticStarField::SyntheticStarField(int width, int height, int planeCount, std::uint32_t seed)
    : m_width(width), m_height(height), m_planeCount(planeCount), m_random(seed)
{
}

std::vector<std::int32_t> SyntheticStarField::replicatePlanes(std::vector<std::int32_t> plane) const
{
    std::vector<std::int32_t> all;
    all.reserve(plane.size() * static_cast<std::size_t>(m_planeCount));
    for (int p = 0; p < m_planeCount; ++p)
        all.insert(all.end(), plane.begin(), plane.end());
    return all;
}

std::vector<std::int32_t> SyntheticStarField::render(double background, std::span<const GaussianStar> stars,
                                                     bool noisy)
{
    std::normal_distribution<double> unit(0.0, 1.0);
    std::vector<std::int32_t> plane(static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height));
    for (int y = 0; y < m_height; ++y) {
        for (int x = 0; x < m_width; ++x) {
            double value = background;
            for (const GaussianStar& star : stars) {
                const double sigma = star.fwhm / kFwhmPerSigma;
                const double r2 = (x - star.x) * (x - star.x) + (y - star.y) * (y - star.y);
                value += star.peak * std::exp(-r2 / (2.0 * sigma * sigma));
            }
            if (noisy)
                value += std::sqrt(std::max(value, 0.0)) * unit(m_random);
            plane[static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width) +
                  static_cast<std::size_t>(x)] =
                static_cast<std::int32_t>(std::clamp(std::lround(value), 0L, 65535L));
        }
    }
    return replicatePlanes(std::move(plane));
}

std::vector<std::int32_t> SyntheticStarField::disc(double centreX, double centreY, double radius, int inside,
                                                   int outside) const
{
    std::vector<std::int32_t> plane(static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height));
    for (int y = 0; y < m_height; ++y) {
        for (int x = 0; x < m_width; ++x) {
            const double r2 = (x - centreX) * (x - centreX) + (y - centreY) * (y - centreY);
            plane[static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width) +
                  static_cast<std::size_t>(x)] = r2 <= radius * radius ? inside : outside;
        }
    }
    return replicatePlanes(std::move(plane));
}

} // namespace velmora::client
