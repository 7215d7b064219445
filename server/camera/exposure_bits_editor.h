#pragma once
// What the "Exposure Bits" dialog edits: a working copy of one exposure sequence shown
// as six rows of a "Wait" check box, a delay in milliseconds and eight line buttons,
// each line unchanged, set (1) or clear (0). The dialog window only shows this state
// and forwards clicks; OK takes record().

#include "server/frame/exposure_sequence.h"

#include <array>

namespace velmora::server {

enum class LineState { Unchanged, Clear, Set };

class ExposureBitsEditor {
public:
    static constexpr int kLines = 8;

    // Control ids and bitmap resources of the dialog.
    static constexpr int kDialogId = 105;
    static constexpr const char* kCaption = "Exposure Bits";
    static constexpr const char* kSeparator = "<<========== EXPOSURE ==========>>";
    static constexpr int waitCheckId(int step) { return 1062 + step; }
    static constexpr int delayEditId(int step) { return 1068 + 2 * step; }
    static constexpr int delaySpinId(int step) { return delayEditId(step) + 1; }
    // Line 7 is the leftmost button of its row, line 0 the rightmost.
    static constexpr int bitButtonId(int step, int line) { return 1080 + 8 * step + line; }
    // Step and line of a bit button id; false for any other id.
    static bool bitButtonAt(int id, int& step, int& line);
    static int bitmapFor(LineState state);

    explicit ExposureBitsEditor(const ExposureSequence& sequence);

    LineState line(int step, int line) const { return m_lines[step][line]; }
    // A click cycles unchanged -> clear -> set -> unchanged.
    void click(int step, int line);

    bool wait(int step) const { return m_wait[step]; }
    void setWait(int step, bool on) { m_wait[step] = on; }
    int delayMs(int step) const { return m_delayMs[step]; }
    // Clamped to 0..999999.
    void setDelayMs(int step, int ms);

    // The sequence the controls describe: LineWord bit n+8 for unchanged, bit n for set.
    ExposureSequence record() const;

private:
    std::array<std::array<LineState, kLines>, ExposureSequence::kSteps> m_lines{};
    std::array<bool, ExposureSequence::kSteps> m_wait{};
    std::array<int, ExposureSequence::kSteps> m_delayMs{};
};

} // namespace velmora::server
