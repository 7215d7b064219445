#pragma once
// One simulated parallel port: an 8-bit data register whose line changes are
// time-stamped for the simulated sky (camera exposure lines) and mount (guide lines).

#include "sim/line_log.h"

#include <cstdint>

namespace velmora::sim {

class SimulatedParallelPort {
public:
    explicit SimulatedParallelPort(LineLog::Clock clock = {}) : m_data(0, std::move(clock)) {}

    std::uint8_t readData() const { return m_data.value(); }
    void writeData(std::uint8_t value) { m_data.set(value); }
    const LineLog& dataLines() const { return m_data; }
    LineLog& dataLines() { return m_data; }

private:
    LineLog m_data;
};

} // namespace velmora::sim
