#pragma once
// Settling after guide or dither, as imaging programs ask for it: the guide error
// (the star's distance from the lock position, pixels) must stay below `pixels` for
// `time` seconds, and that must happen within `timeout` seconds of the start. Fed
// one guided frame at a time; a frame without the star counts as dropped and breaks
// the settled stretch.

#include <optional>
#include <string>

namespace velmora::client::remote {

struct SettleParams {
    double pixels = 1.5;
    double timeSeconds = 10.0;
    double timeoutSeconds = 60.0;
};

// What one frame (or the passing of time) did to the settling.
struct SettleProgress {
    double distance = 0.0;
    double settledSeconds = 0.0; // how long the error has stayed below the limit
    bool starLocked = false;
};

struct SettleResult {
    bool settled = false;
    std::string error; // empty when settled
    int totalFrames = 0;
    int droppedFrames = 0;
};

class SettleMonitor {
public:
    static constexpr const char* kTimedOut = "timed-out waiting for guider to settle";

    SettleMonitor(const SettleParams& params, double startSeconds) : m_params(params), m_start(startSeconds)
    {
    }

    const SettleParams& params() const { return m_params; }
    // A guided frame at `nowSeconds`; distance is ignored when the star was lost.
    SettleProgress addFrame(double nowSeconds, bool starFound, double distance);
    // Set once settled or out of time (frames or not).
    std::optional<SettleResult> result(double nowSeconds) const;
    // Ends the settling early (guiding stopped, star selection lost, …).
    SettleResult abandon(const std::string& why) const;

private:
    SettleResult finished(bool settled, const std::string& error) const;

    SettleParams m_params;
    double m_start;
    std::optional<double> m_inRangeSince;
    bool m_settled = false;
    int m_frames = 0;
    int m_dropped = 0;
};

} // namespace velmora::client::remote
