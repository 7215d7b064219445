#include "server/camera/exposure_bits_editor.h"

#include <algorithm>

namespace velmora::server {

bool ExposureBitsEditor::bitButtonAt(int id, int& step, int& line)
{
    const int offset = id - bitButtonId(0, 0);
    if (offset < 0 || offset >= ExposureSequence::kSteps * kLines)
        return false;
    step = offset / kLines;
    line = offset % kLines;
    return true;
}

int ExposureBitsEditor::bitmapFor(LineState state)
{
    switch (state) {
    case LineState::Set:
        return 116;
    case LineState::Clear:
        return 117;
    case LineState::Unchanged:
        break;
    }
    return 118;
}

ExposureBitsEditor::ExposureBitsEditor(const ExposureSequence& sequence)
{
    for (int step = 0; step < ExposureSequence::kSteps; ++step) {
        const unsigned word = sequence.lines[step];
        for (int n = 0; n < kLines; ++n) {
            if (word & (0x100u << n))
                m_lines[step][n] = LineState::Unchanged;
            else
                m_lines[step][n] = (word & (1u << n)) ? LineState::Set : LineState::Clear;
        }
        m_wait[step] = sequence.waitsForFrame(step);
        m_delayMs[step] = std::clamp(sequence.delayMs[step], 0, ExposureSequence::kMaxDelayMs);
    }
}

void ExposureBitsEditor::click(int step, int line)
{
    LineState& state = m_lines[step][line];
    switch (state) {
    case LineState::Unchanged:
        state = LineState::Clear;
        break;
    case LineState::Clear:
        state = LineState::Set;
        break;
    case LineState::Set:
        state = LineState::Unchanged;
        break;
    }
}

void ExposureBitsEditor::setDelayMs(int step, int ms)
{
    m_delayMs[step] = std::clamp(ms, 0, ExposureSequence::kMaxDelayMs);
}

ExposureSequence ExposureBitsEditor::record() const
{
    ExposureSequence sequence;
    for (int step = 0; step < ExposureSequence::kSteps; ++step) {
        unsigned word = 0;
        for (int n = 0; n < kLines; ++n) {
            if (m_lines[step][n] == LineState::Unchanged)
                word |= 0x100u << n;
            else if (m_lines[step][n] == LineState::Set)
                word |= 1u << n;
        }
        sequence.lines[step] = static_cast<std::uint16_t>(word);
        sequence.waitFrame[step] = m_wait[step] ? 1 : 0;
        sequence.delayMs[step] = m_delayMs[step];
    }
    return sequence;
}

} // namespace velmora::server
