#pragma once
// Loads the parallel-port I/O library for one data register. What "loading" means is
// the backend's: claiming a ppdev device, or attaching to the simulated port.

#include "platform/ports/parallel_io.h"

#include <cstdint>
#include <memory>

namespace velmora::platform {

class ParallelBackend {
public:
    virtual ~ParallelBackend() = default;

    // The library for the register at `address`, held until the result is destroyed;
    // none when the register cannot be reached.
    virtual std::unique_ptr<ParallelIo> load(std::uint16_t address) = 0;
};

} // namespace velmora::platform
