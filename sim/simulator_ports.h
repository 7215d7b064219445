#pragma once
// The server's ports without hardware.
//
// Always: the simulated parallel port becomes the backend behind the stored choice
// "Parallel" = "simulator". In simulator mode (VELMORA_SIMULATOR=1) also: the KF-3
// focuser-controller emulator answers on COM1 (the focuser's default port), the KR-4
// relay-box emulator on COM2, and the simulated parallel port serves "LPT1"/"LPT2"
// whatever the stored choice, so every default profile works on a bare machine. The
// mapping lives in the process only; the stored port configuration is not touched.
// Destroying the object undoes all of it; it must outlive every open port.

#include "platform/ports/system_port_devices.h"
#include "sim/kf3_controller.h"
#include "sim/kr4_relay_box.h"
#include "sim/pty_emulator.h"
#include "sim/simulated_parallel_backend.h"

#include <memory>

namespace velmora::sim {

class SimulatorPorts {
public:
    static constexpr const char* kEnvironmentVariable = "VELMORA_SIMULATOR";
    static constexpr const char* kFocuserPort = "COM1";
    static constexpr const char* kRelayBoxPort = "COM2";

    // True when VELMORA_SIMULATOR is "1".
    static bool requestedByEnvironment();
    // The start-up wiring of the server: the object above, in simulator mode when the
    // environment asks for it. None only when simulator mode was asked for and no
    // pseudo-terminal could be opened.
    static std::unique_ptr<SimulatorPorts> setUp(platform::SystemPortDevices& devices);

    explicit SimulatorPorts(platform::SystemPortDevices& devices, LineLog::Clock clock = {});
    ~SimulatorPorts();
    SimulatorPorts(const SimulatorPorts&) = delete;
    SimulatorPorts& operator=(const SimulatorPorts&) = delete;

    // Starts both emulators, maps COM1 and COM2 to them and forces the simulated
    // parallel port. False (and nothing mapped) when an emulator cannot start.
    bool enableSimulatorMode();
    bool simulatorMode() const { return m_simulatorMode; }

    SimulatedParallelBackend& parallel() { return m_parallel; }
    Kr4RelayBox& relayBox() { return m_relayBox; }
    Kf3Controller& focuser() { return m_focuser; }
    PtyEmulator& relayBoxEmulator() { return m_relayBoxEmulator; }
    PtyEmulator& focuserEmulator() { return m_focuserEmulator; }

private:
    platform::SystemPortDevices& m_devices;
    SimulatedParallelBackend m_parallel;
    Kr4RelayBox m_relayBox;
    Kf3Controller m_focuser;
    PtyEmulator m_relayBoxEmulator{m_relayBox};
    PtyEmulator m_focuserEmulator{m_focuser};
    bool m_simulatorMode = false;
};

} // namespace velmora::sim
