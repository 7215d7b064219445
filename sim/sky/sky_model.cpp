#include "sim/sky/sky_model.h"

#include "sim/sky/input_segments.h"

#include <cmath>
#include <cstdlib>

namespace velmora::sim {

namespace {

constexpr double kTwoPi = 2.0 * 3.14159265358979323846;

double secondsOf(std::chrono::nanoseconds d)
{
    return std::chrono::duration<double>(d).count();
}

} // namespace

SkyModel::SkyModel(const SkyParameters& parameters, TimePoint start)
    : m_parameters(parameters.clamped()), m_start(start), m_guidedUntil(start),
      m_random(static_cast<std::uint64_t>(static_cast<std::uint32_t>(m_parameters.seed))),
      m_sensorSeeds(static_cast<std::uint64_t>(static_cast<std::uint32_t>(m_parameters.seed)) *
                    0x9E3779B97F4A7C15ull)
{
    placeStars();
}

void SkyModel::placeStars()
{
    // The brightest star sits on the field centre, where guiding tests look for it.
    const double radius = kFieldRadiusPixels * m_parameters.imageScaleArcsecPerPixel();
    for (int i = 0; i < m_parameters.stars; ++i) {
        Star star;
        star.peak = kBrightestPeak;
        if (i > 0) {
            star.position = {(2.0 * m_random.uniform() - 1.0) * radius,
                             (2.0 * m_random.uniform() - 1.0) * radius};
            star.peak = 30.0 + 120.0 * m_random.uniform();
        }
        m_stars.push_back(star);
    }
}

void SkyModel::connectGuideInputs(const InputLines* inputs)
{
    std::lock_guard lock(m_mutex);
    m_guideInputs = inputs;
}

void SkyModel::connectExposureInputs(const InputLines* inputs)
{
    std::lock_guard lock(m_mutex);
    m_exposureInputs = inputs;
}

void SkyModel::connectFocuser(FocuserInput* focuser)
{
    std::lock_guard lock(m_mutex);
    m_focuser = focuser;
}

void SkyModel::advanceGuiding(TimePoint to)
{
    if (to <= m_guidedUntil)
        return;
    if (m_guideInputs) {
        const double rate = m_parameters.guideRateArcsecPerSecond();
        forEachInputSegment(
            *m_guideInputs, m_guidedUntil, to, [&](unsigned active, std::chrono::nanoseconds length) {
                const double seconds = secondsOf(length);
                // Opposite directions held together cancel.
                m_guide.east +=
                    rate * seconds * (((active & kGuideEast) ? 1 : 0) - ((active & kGuideWest) ? 1 : 0));
                m_guide.north +=
                    rate * seconds * (((active & kGuideNorth) ? 1 : 0) - ((active & kGuideSouth) ? 1 : 0));
            });
    }
    m_guidedUntil = to;
}

SkyOffset SkyModel::pointingAt(TimePoint time)
{
    std::lock_guard lock(m_mutex);
    advanceGuiding(time);
    const double t = secondsOf(time - m_start);
    SkyOffset offset = m_guide;
    offset.east += m_parameters.driftRaArcsecPerSecond() * t;
    offset.north += m_parameters.driftDecArcsecPerSecond() * t;
    if (m_parameters.pePeriod > 0)
        offset.east += m_parameters.peAmplitudeArcsec() * std::sin(kTwoPi * t / m_parameters.pePeriod);
    return offset;
}

SkyOffset SkyModel::guideMotion() const
{
    std::lock_guard lock(m_mutex);
    return m_guide;
}

SkyOffset SkyModel::seeingSample()
{
    std::lock_guard lock(m_mutex);
    const double sigma = m_parameters.seeingArcsec();
    if (sigma <= 0.0)
        return {};
    return {sigma * m_random.gaussian(), sigma * m_random.gaussian()};
}

double SkyModel::starSigma()
{
    std::lock_guard lock(m_mutex);
    const int position = m_focuser ? m_focuser->position() : m_parameters.bestFocus;
    const double away = std::abs(static_cast<double>(position) - m_parameters.bestFocus);
    return m_parameters.starSigmaPixels() + m_parameters.blurPerStep() * away;
}

void SkyModel::toPixels(const SkyOffset& offset, double& dx, double& dy) const
{
    const double angle = m_parameters.rotationRadians();
    const double scale = m_parameters.imageScaleArcsecPerPixel();
    dx = (offset.east * std::cos(angle) - offset.north * std::sin(angle)) / scale;
    dy = (offset.east * std::sin(angle) + offset.north * std::cos(angle)) / scale;
}

std::vector<StarImage> SkyModel::starsInFrame(int width, int height, const SkyOffset& offset,
                                              double sigma) const
{
    // Flux stays as the star widens: defocus lowers the peak, not the total.
    const double sigma0 = m_parameters.starSigmaPixels();
    std::vector<StarImage> stars;
    stars.reserve(m_stars.size());
    for (const Star& star : m_stars) {
        double dx = 0.0;
        double dy = 0.0;
        toPixels({star.position.east + offset.east, star.position.north + offset.north}, dx, dy);
        stars.push_back({width / 2.0 + dx, height / 2.0 + dy, sigma, star.peak * kTwoPi * sigma0 * sigma0});
    }
    return stars;
}

bool SkyModel::exposureActiveAt(TimePoint time) const
{
    std::lock_guard lock(m_mutex);
    return m_exposureInputs && (m_exposureInputs->activeAt(time) & kExposureActive);
}

std::chrono::nanoseconds SkyModel::exposureActiveDuring(TimePoint from, TimePoint to) const
{
    std::lock_guard lock(m_mutex);
    std::chrono::nanoseconds total{0};
    if (m_exposureInputs) {
        forEachInputSegment(*m_exposureInputs, from, to,
                            [&](unsigned active, std::chrono::nanoseconds length) {
                                if (active & kExposureActive)
                                    total += length;
                            });
    }
    return total;
}

std::uint64_t SkyModel::nextSensorSeed()
{
    std::lock_guard lock(m_mutex);
    return ++m_sensorSeeds;
}

} // namespace velmora::sim
