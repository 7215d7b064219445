#pragma once
// The simulated sky and mount, one for the whole server process: a few stars around
// the field centre, seen through a mount whose pointing error drifts, carries a
// periodic error and moves at the guide rate while guide inputs are held; seeing
// jitters every frame; the stars widen as the focuser leaves best focus.
//
// Sky offsets are arcseconds along East and North. With rotation 0 the camera's x axis
// points East and its y axis (the frame's row index) North: a West pulse moves a star
// toward smaller x, a South pulse toward smaller y. Rotation turns both axes.
//
// Thread-safe: every simulated camera's streaming thread asks it for its frames.

#include "sim/sky/input_lines.h"
#include "sim/sky/sim_random.h"
#include "sim/sky/sky_parameters.h"

#include <chrono>
#include <cstdint>
#include <mutex>
#include <vector>

namespace velmora::sim {

struct SkyOffset {
    double east = 0.0;
    double north = 0.0;
};

// A star as it falls on a frame: centre in pixels (x column, y row), Gaussian sigma in
// pixels, total signal in levels (the peak is flux / (2 pi sigma^2)).
struct StarImage {
    double x = 0.0;
    double y = 0.0;
    double sigma = 0.0;
    double flux = 0.0;
};

class SkyModel {
public:
    using TimePoint = SimClock::TimePoint;
    // Peak of the brightest star at best focus, in levels of one frame.
    static constexpr double kBrightestPeak = 180.0;
    // The other stars lie within this many pixels of the centre along each axis.
    static constexpr double kFieldRadiusPixels = 150.0;

    // `start` is the origin of drift and periodic error.
    SkyModel(const SkyParameters& parameters, TimePoint start);

    // Borrowed inputs (null: none). Connect before frames are taken.
    void connectGuideInputs(const InputLines* inputs);
    void connectExposureInputs(const InputLines* inputs);
    void connectFocuser(FocuserInput* focuser);

    const SkyParameters& parameters() const { return m_parameters; }

    // The pointing error at `time`: drift and periodic error at that time plus the guide
    // motion up to it (the guide motion never runs backwards: an earlier time than
    // already seen gets the motion so far).
    SkyOffset pointingAt(TimePoint time);
    SkyOffset guideMotion() const;
    // One frame's seeing displacement.
    SkyOffset seeingSample();
    // Star sigma in pixels for the focuser's position now.
    double starSigma();
    // A sky offset as a displacement in pixels along the camera's x and y.
    void toPixels(const SkyOffset& offset, double& dx, double& dy) const;
    // The stars on a width x height frame whose pointing is displaced by `offset`.
    std::vector<StarImage> starsInFrame(int width, int height, const SkyOffset& offset, double sigma) const;

    bool exposureActiveAt(TimePoint time) const;
    std::chrono::nanoseconds exposureActiveDuring(TimePoint from, TimePoint to) const;

    // Noise seeds for simulated cameras, one after another from the sky's seed.
    std::uint64_t nextSensorSeed();

private:
    struct Star {
        SkyOffset position;
        double peak = 0.0;
    };

    void placeStars();
    void advanceGuiding(TimePoint to);

    mutable std::mutex m_mutex;
    const SkyParameters m_parameters;
    const TimePoint m_start;
    TimePoint m_guidedUntil;
    SkyOffset m_guide;
    const InputLines* m_guideInputs = nullptr;
    const InputLines* m_exposureInputs = nullptr;
    FocuserInput* m_focuser = nullptr;
    std::vector<Star> m_stars;
    SimRandom m_random;
    std::uint64_t m_sensorSeeds;
};

} // namespace velmora::sim
