#pragma once
// The "Histogram" settings of one tool dialog: per-plane manual levels, automatic
// levels with their clipped fractions, the selected plane and the "Synchronize"
// flags, with the rules of the processing bar's histogram controls.

#include "client/image/square_histogram.h"

#include <cstdint>
#include <string>
#include <vector>

namespace velmora::client {

class SettingsStore;

class HistogramLevels {
public:
    static constexpr int kMaxPerMille = 1000;

    explicit HistogramLevels(int planeCount = 0);

    // Settings of the dialog's section; per-plane names carry (planeCount, p).
    void load(const SettingsStore& store, const std::string& section);
    void save(SettingsStore& store, const std::string& section) const;
    // A new plane count keeps the planes that remain and gives new planes defaults.
    void resize(int planeCount);
    int planeCount() const { return static_cast<int>(m_planes.size()); }

    bool applyHistogram() const { return m_apply; }
    void setApplyHistogram(bool on) { m_apply = on; }
    bool autoHistogram() const { return m_auto; }
    void setAutoHistogram(bool on) { m_auto = on; }

    int histogramPlane() const { return m_plane; }
    void selectPlane(int plane);

    // Manual levels ("Auto" off): a minimum above the maximum raises the maximum, a
    // maximum below the minimum lowers the minimum; one plane or, synchronised, all.
    void setMinColour(int value);
    void setMaxColour(int value);
    // Automatic fractions in per mille ("Auto" on): the other is lowered so the two
    // never exceed 1000 together.
    void setMinLevel(int perMille);
    void setMaxLevel(int perMille);
    // "Synchronize" of the current mode; turning it on copies the selected plane's
    // values to every plane at once.
    void setSynchronize(bool on);
    bool synchronize() const { return m_auto ? m_syncAuto : m_syncManual; }
    // "Reset": fractions 0 in auto mode, levels 0…65535 in manual mode, every plane.
    void reset();

    // Recomputes the automatic levels of every plane from the square's histogram;
    // an empty square keeps the previous ones.
    void updateAutoLevels(const SquareHistogram& histogram);
    // The levels the stretch uses for a plane: automatic or manual by mode.
    LevelPair stretchLevels(int plane) const;
    // Writes stretchLevels of every plane into a reused buffer and returns it.
    std::span<const LevelPair> allStretchLevels();

    // Values shown by the level sliders and edits for the selected plane.
    int shownMinimum() const;
    int shownMaximum() const;
    int minLevel(int plane) const { return planeAt(plane).minLevel; }
    int maxLevel(int plane) const { return planeAt(plane).maxLevel; }
    LevelPair manualLevels(int plane) const { return planeAt(plane).manual; }
    LevelPair autoLevels(int plane) const { return planeAt(plane).automatic; }

    // Enable rules: the manual sliders only without "Auto", the per-cent edits only with it.
    bool manualControlsEnabled() const { return !m_auto; }
    bool fractionControlsEnabled() const { return m_auto; }

private:
    struct Plane {
        LevelPair manual;
        LevelPair automatic;
        int minLevel = 0;
        int maxLevel = 0;
    };
    const Plane& planeAt(int plane) const;
    template <typename Fn> void forTargetPlanes(bool synchronised, Fn&& fn);
    void applyManual(int minimum, int maximum);
    void applyFractions(int minimum, int maximum);

    std::vector<Plane> m_planes;
    std::vector<LevelPair> m_stretchBuffer;
    int m_plane = 0;
    bool m_apply = false;
    bool m_auto = false;
    bool m_syncManual = false;
    bool m_syncAuto = false;
};

} // namespace velmora::client
