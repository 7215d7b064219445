#pragma once
// The parallel-port I/O library over two simulated ports: LPT1's data register at
// 0x378 and the other parallel name's at 0x778. Any other address reads 0xFF and
// ignores writes, as an empty I/O address would. A loaded library shares the ports, so
// it stays usable even if the backend goes first.

#include "platform/ports/parallel_backend.h"
#include "sim/simulated_parallel_port.h"

#include <memory>

namespace velmora::sim {

class SimulatedParallelBackend : public platform::ParallelBackend {
public:
    explicit SimulatedParallelBackend(LineLog::Clock clock = {});

    std::unique_ptr<platform::ParallelIo> load(std::uint16_t address) override;

    // The port whose data register sits at `address`; null for any other address.
    SimulatedParallelPort* port(std::uint16_t address);

    struct Ports {
        explicit Ports(const LineLog::Clock& clock) : lpt1(clock), lpt2(clock) {}
        SimulatedParallelPort* at(std::uint16_t address);
        SimulatedParallelPort lpt1;
        SimulatedParallelPort lpt2;
    };

private:
    std::shared_ptr<Ports> m_ports;
};

} // namespace velmora::sim
