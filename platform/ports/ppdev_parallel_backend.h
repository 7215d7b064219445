#pragma once
// The parallel-port I/O library on Linux: the data register of LPT1 (0x378) is
// /dev/parport0 and that of the other parallel name (0x778) is /dev/parport1, reached
// through ppdev. Loading claims the port exclusively until the library is destroyed.

#include "platform/ports/parallel_backend.h"

#include <string>

namespace velmora::platform {

class PpdevParallelBackend : public ParallelBackend {
public:
    // `deviceFolder` holds the parportN nodes ("/dev" on a real system).
    explicit PpdevParallelBackend(std::string deviceFolder = "/dev");

    std::unique_ptr<ParallelIo> load(std::uint16_t address) override;

    // The ppdev node for a data-register address; empty for an unknown address.
    std::string devicePath(std::uint16_t address) const;

private:
    std::string m_deviceFolder;
};

} // namespace velmora::platform
