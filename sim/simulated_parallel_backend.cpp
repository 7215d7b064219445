#include "sim/simulated_parallel_backend.h"

namespace velmora::sim {

namespace {

class SimulatedParallelIo : public platform::ParallelIo {
public:
    explicit SimulatedParallelIo(std::shared_ptr<SimulatedParallelBackend::Ports> ports)
        : m_ports(std::move(ports))
    {
    }

    std::uint16_t Inp32(std::uint16_t address) override
    {
        SimulatedParallelPort* port = m_ports->at(address);
        return port ? port->readData() : 0xFF;
    }

    void Out32(std::uint16_t address, std::uint16_t value) override
    {
        if (SimulatedParallelPort* port = m_ports->at(address))
            port->writeData(static_cast<std::uint8_t>(value & 0xFF));
    }

private:
    std::shared_ptr<SimulatedParallelBackend::Ports> m_ports;
};

} // namespace

SimulatedParallelBackend::SimulatedParallelBackend(LineLog::Clock clock)
    : m_ports(std::make_shared<Ports>(clock))
{
}

std::unique_ptr<platform::ParallelIo> SimulatedParallelBackend::load(std::uint16_t address)
{
    if (!port(address))
        return nullptr;
    return std::make_unique<SimulatedParallelIo>(m_ports);
}

SimulatedParallelPort* SimulatedParallelBackend::port(std::uint16_t address)
{
    return m_ports->at(address);
}

SimulatedParallelPort* SimulatedParallelBackend::Ports::at(std::uint16_t address)
{
    if (address == platform::kLpt1DataAddress)
        return &lpt1;
    if (address == platform::kLpt2DataAddress)
        return &lpt2;
    return nullptr;
}

} // namespace velmora::sim
