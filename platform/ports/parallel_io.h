#pragma once
// The two calls of the parallel-port I/O library: register reads and writes by I/O
// address (0x378 is LPT1's data register, 0x778 the one used for every other name).

#include <cstdint>

namespace velmora::platform {

constexpr std::uint16_t kLpt1DataAddress = 0x378;
constexpr std::uint16_t kLpt2DataAddress = 0x778;

class ParallelIo {
public:
    virtual ~ParallelIo() = default;

    virtual std::uint16_t Inp32(std::uint16_t address) = 0;
    virtual void Out32(std::uint16_t address, std::uint16_t value) = 0;
};

} // namespace velmora::platform
