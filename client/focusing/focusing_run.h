#pragma once
// The automatic focusing procedure as a step-driven object: it scans the focuser
// through a low-side range and its mirror about the centre, forward (outward to
// inward, low to high) and back again, measuring the star's diameter at every step
// into the diameter graph; the forward-pass focus of the fit is where it leaves the
// focuser, and the difference of the two passes' foci is the backlash.
//
// Two inputs drive it, both on the user-interface thread: onTimer() every 100 ms
// (reads "Position" and "IsMoving", moves in pieces of at most maxIncrement, one per
// tick once the previous piece has stopped) and frameStep() with the diameter of each
// new frame. Nothing here waits or keeps time of its own.
//
// A fit that cannot be trusted (a pass with fewer than two positions, or a line that
// does not cross zero inside the scanned range) never moves the focuser: the run ends
// where it is, the result fields keep their values, and the status says why.

#include "client/focusing/focusing_settings.h"

#include <optional>
#include <string>

namespace velmora::client {

class DiameterGraph;
class FocuserAccess;

// The scan range of Start: lo … hiA below the centre, loB … hiB its mirror above.
struct FocusingRange {
    int lo = 0;
    int hiA = 0;
    int loB = 0;
    int hiB = 0;

    friend bool operator==(const FocusingRange&, const FocusingRange&) = default;
};

// First and Second mirrored below the centre when above it, ordered, the high end
// brought onto the step grid from lo, and the mirror of the whole about the centre.
FocusingRange focusingRange(int first, int second, int center, int step);

// "Defocusing Zone - %d Steps" with trunc(F² / stepSize × 1.1323), or "Defocusing
// Zone - Not Defined" without a usable step size.
std::string defocusingZoneText(std::optional<double> stepSizeMicrometres, double focalRatio);

struct FocusingResults {
    int currentFocus = 0;
    int deltaFocus = 0;
    int currentBacklash = 0;
    int deltaBacklash = 0;
};

class FocusingRun {
public:
    // Used for "MaxStep" and "MaxIncrement" when they cannot be read or are not positive.
    static constexpr int kNoLimit = 999999;

    FocusingRun(FocuserAccess& focuser, DiameterGraph& graph);

    // When the window opens: the focuser's limits, then the settings within them.
    void readLimits();
    // Within the limits; refused (false) while a run is going, whose grid they define.
    bool setSettings(const FocusingSettings& settings);
    const FocusingSettings& settings() const { return m_settings; }
    int maxStep() const { return m_maxStep; }
    int maxIncrement() const { return m_maxIncrement; }

    // False, and not running, when the range leaves 0 … maxStep (the status says so).
    bool Start();
    void Stop();
    // The last run evaluated again with the present filters.
    void Apply();
    void onTimer();
    // The diameter measured on a new frame; used only when it is the first frame since
    // the focuser reached the target.
    void frameStep(double diameter);

    bool running() const { return m_running; }
    bool forward() const { return m_forward; }
    bool done() const { return m_done; }
    int position() const { return m_position; }
    int target() const { return m_target; }
    const FocusingRange& range() const { return m_range; }
    const FocusingResults& results() const { return m_results; }
    // Why the last run or Apply left the results as they were; empty otherwise.
    const std::string& statusText() const { return m_status; }

private:
    static int limitOrDefault(std::optional<int> value);
    void forceOddWindows();
    void nextTarget(bool nearSide, bool farSide);
    void endScan();
    void endForwardPass();
    void moveTowardTarget();
    // Stop's step 3 and Apply's: the results from the fit, unless it is not to be trusted.
    void showResults();
    bool fitTrusted();

    FocuserAccess& m_focuser;
    DiameterGraph& m_graph;
    FocusingSettings m_settings;
    int m_maxStep = kNoLimit;
    int m_maxIncrement = kNoLimit;
    bool m_running = false;
    bool m_forward = true;
    bool m_done = false;
    int m_position = 0;
    int m_target = 0;
    FocusingRange m_range;
    FocusingResults m_results;
    int m_previousFocus = 0;
    int m_previousBacklash = 0;
    std::string m_status;
};

} // namespace velmora::client
