#pragma once
// The "Graphs" group of the guiding window: which graph is selected, which axes it
// draws, the fields of the selected graph (the others' are hidden), and the redraw of
// the selected graph after a guiding step or a change of its settings, with its
// read-only results (ranges of the distribution, peak lists of the periodogram).

#include "client/guiding/distribution_graph.h"
#include "client/guiding/fft_graph.h"
#include "client/guiding/graph_settings.h"
#include "client/guiding/periodogram.h"
#include "common/numeric_field.h"

#include <array>
#include <string>

namespace velmora::client {

class GuidingRun;
class SettingsStore;

namespace guiding_graphs {
constexpr int kDriftGraph = 1350; // the three radio buttons
constexpr int kDistributionGraph = 1351;
constexpr int kFftGraph = 1352;
constexpr int kHorizontal = 1353;
constexpr int kVertical = 1354;
constexpr int kDriftXScale = 1355;   // "X Scale (sec)"
constexpr int kDriftYScale = 1356;   // "Y Scale ('')"
constexpr int kBinNumber = 1357;     // + axis
constexpr int kProbability = 1359;   // + axis
constexpr int kValuesRange = 1361;   // + axis, read-only
constexpr int kProbabilityRange = 1363;
constexpr int kFftXScale = 1365;     // "X Scale"
constexpr int kFftYScale = 1366;     // "Y Scale"
constexpr int kMaxPeakNumber = 1367; // + axis
constexpr int kPeakList = 1369;      // + axis, read-only
} // namespace guiding_graphs

class GuidingGraphs {
public:
    struct Result {
        GraphDrawing drawing;
        std::array<std::string, 2> valuesRange;
        std::array<std::string, 2> probabilityRange;
        std::array<std::string, 2> peakLists;
    };

    void load(const SettingsStore& store);
    void save(SettingsStore& store) const;
    const GraphSettings& settings() const { return m_settings; }

    static bool isGraphControl(int controlId);
    // A radio button, axis box or field of the group; false for other ids.
    bool apply(int controlId, int value);
    // What a control of the group shows (check state, selection, field value).
    int value(int controlId) const;
    // Only the selected graph's fields and results are shown.
    bool shown(int controlId) const;
    static common::NumericField field(int controlId);

    // A step or a settings change happened: the next redraw recomputes.
    void invalidate() { m_dirty = true; }
    bool needsRedraw() const { return m_dirty; }
    // The selected graph for a client area of this size.
    const Result& redraw(const GuidingRun& run, int clientWidth, int clientHeight);
    const Result& last() const { return m_result; }

private:
    GraphSettings m_settings;
    Periodogram m_periodogram;
    Result m_result;
    bool m_dirty = true;
};

} // namespace velmora::client
