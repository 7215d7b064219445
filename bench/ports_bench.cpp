// Port layer costs: a LineWord on the parallel data register, and an identification
// exchange with the relay-box emulator over a pseudo-terminal. Each beside a plain
// reference measured in the same run: a locked read-modify-write of one byte, and one
// echoed byte on a bare pseudo-terminal pair.
#include "platform/ports/system_port_devices.h"
#include "platform/ports/termios_serial_device.h"
#include "server/ports/port_registry.h"
#include "sim/kr4_relay_box.h"
#include "sim/pty_emulator.h"
#include "sim/simulated_parallel_backend.h"
#include "testing/temp_home.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace {

using namespace velmora;

void BM_ReferenceLockedByteWrite(benchmark::State& state)
{
    std::mutex lock;
    std::uint8_t reg = 0x0F;
    for (auto _ : state) {
        std::lock_guard guard(lock);
        reg = static_cast<std::uint8_t>((reg & 0x7F) | 0x80);
        benchmark::DoNotOptimize(reg);
    }
}
BENCHMARK(BM_ReferenceLockedByteWrite);

void BM_SetLinesSimulatedParallel(benchmark::State& state)
{
    testing::TempHome home;
    platform::SystemPortDevices devices;
    sim::SimulatedParallelBackend parallel;
    devices.setSimulatorBackend(&parallel);
    devices.setSimulatorForced(true);
    server::PortRegistry registry(devices);
    int owner = 0;
    server::PortChannel* lpt = registry.openPort("LPT1", &owner);
    std::uint16_t words[2] = {0x7F80, 0x3F00};
    int i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(registry.setLines(lpt, words[i++ & 1], false));
    registry.releasePort(lpt, &owner);
}
BENCHMARK(BM_SetLinesSimulatedParallel);

void BM_ReferencePtyEchoByte(benchmark::State& state)
{
    int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ::grantpt(master);
    ::unlockpt(master);
    auto host = platform::TermiosSerialDevice::open(::ptsname(master));
    char byte = 0;
    for (auto _ : state) {
        host->writeByte('v');
        if (::read(master, &byte, 1) == 1 && ::write(master, &byte, 1) == 1)
            benchmark::DoNotOptimize(host->readByte(std::chrono::milliseconds(100)));
    }
    host.reset();
    ::close(master);
}
BENCHMARK(BM_ReferencePtyEchoByte);

void BM_QueryRelayBoxEmulator(benchmark::State& state)
{
    testing::TempHome home;
    platform::SystemPortDevices devices;
    sim::Kr4RelayBox box;
    sim::PtyEmulator emulator(box);
    emulator.start();
    devices.mapSerialPort("COM2", emulator.slavePath());
    server::PortRegistry registry(devices);
    int owner = 0;
    server::PortChannel* com = registry.openPort("COM2", &owner);
    for (auto _ : state)
        benchmark::DoNotOptimize(registry.queryPortDevice(com, "COM2"));
    registry.releasePort(com, &owner);
}
BENCHMARK(BM_QueryRelayBoxEmulator);

} // namespace
