#pragma once
// The machine's ports as the port layer sees them.
//
// "COMn" maps to a device path through HKLM\Software\Velmora Software\Ports (value
// "COMn", for example "/dev/ttyUSB0"), default /dev/ttyS<n-1>. The parallel backend is
// chosen by the value "Parallel" in the same key: "ppdev" (also when absent or not
// recognised) or "simulator". The simulator mode of the server maps serial names to
// emulators in process and forces the simulated parallel port, so the stored
// configuration of the machine is never rewritten by a simulator run.

#include "platform/ports/parallel_backend.h"
#include "platform/ports/port_devices.h"

#include <map>
#include <mutex>
#include <optional>

namespace velmora::platform {

class SystemPortDevices : public PortDevices {
public:
    static constexpr const char* kPortsKey = "Software\\Velmora Software\\Ports";
    static constexpr const char* kParallelValue = "Parallel";
    static constexpr const char* kPpdevBackend = "ppdev";
    static constexpr const char* kSimulatorBackend = "simulator";

    enum class ParallelChoice { Ppdev, Simulator };

    SystemPortDevices();
    explicit SystemPortDevices(std::unique_ptr<ParallelBackend> hardwareBackend);

    std::unique_ptr<ParallelIo> loadParallel(std::uint16_t address) override;
    std::unique_ptr<SerialDevice> openSerial(const std::string& name) override;

    // The device path of a serial port name; none for a name that is not "COMn".
    std::optional<std::string> serialDevicePath(const std::string& name) const;
    ParallelChoice parallelChoice() const;

    // In-process mapping of a serial name, ahead of the stored one.
    void mapSerialPort(const std::string& name, const std::string& path);
    void unmapSerialPort(const std::string& name);
    // The backend used when the choice is "simulator" (borrowed; null: none loads).
    void setSimulatorBackend(ParallelBackend* backend);
    // Uses the simulator backend whatever the stored choice.
    void setSimulatorForced(bool forced);

private:
    mutable std::mutex m_mutex;
    std::map<std::string, std::string> m_serialMap;
    std::unique_ptr<ParallelBackend> m_hardwareBackend;
    ParallelBackend* m_simulatorBackend = nullptr;
    bool m_simulatorForced = false;
};

} // namespace velmora::platform
