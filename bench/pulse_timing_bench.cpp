// Guide pulse timing: 200 pulses of 10..2000 ms through telescope objects onto the
// simulated parallel ports, each pulse's held time read from the time-stamped line
// changes and compared with its duration. Beside it, as the plain reference measured
// in the same run, the wake-up error of bare std::this_thread::sleep_until.
//
// 200 pulses of 1 s on average would take over three minutes one after another. They
// run on eight independent pulse channels at once instead: four telescope objects,
// two on each of LPT1 and LPT2 (one on data lines D7..D4, one on D3..D0), both axes of
// each. Every pulse still has its own worker and its own lines, so the count, the
// durations and what is measured are unchanged; the run takes about 30 s.
#include "platform/ports/system_port_devices.h"
#include "server/frame/device_settings.h"
#include "server/ports/port_registry.h"
#include "server/telescope/telescope_driver.h"
#include "sim/line_pulses.h"
#include "sim/simulated_parallel_backend.h"
#include "testing/temp_home.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <map>
#include <memory>
#include <thread>
#include <vector>

namespace {

using namespace velmora;
using Clock = std::chrono::steady_clock;
using MsDouble = std::chrono::duration<double, std::milli>;

constexpr int kPulses = 200;
constexpr int kShortestMs = 10;
constexpr int kLongestMs = 2000;
constexpr int kReferenceSleeps = 100;

// Direction words on data lines D3..D0, so that two objects can share one port.
constexpr server::PulseGuider::DirectionWords kLowLines{0xF708, 0xFB04, 0xFD02, 0xFE01};

struct Lane {
    server::TelescopeDriver* telescope;
    int axis;
    std::vector<int> durationsMs;
};

struct Errors {
    double medianMs = 0;
    double maxMs = 0;
};

Errors summarise(std::vector<double> errorsMs)
{
    if (errorsMs.empty())
        return {std::nan(""), std::nan("")};
    std::sort(errorsMs.begin(), errorsMs.end());
    return {errorsMs[errorsMs.size() / 2], errorsMs.back()};
}

// Deterministic durations spread over 10..2000 ms.
std::vector<int> pulseDurations()
{
    std::vector<int> durations;
    std::uint32_t state = 12345;
    for (int i = 0; i < kPulses; ++i) {
        state = state * 1664525u + 1013904223u;
        durations.push_back(kShortestMs + static_cast<int>((state >> 8) % (kLongestMs - kShortestMs + 1)));
    }
    return durations;
}

// Runs one lane's pulses one after another, alternating the axis's two directions.
void runLane(const Lane& lane)
{
    for (std::size_t i = 0; i < lane.durationsMs.size(); ++i) {
        int direction = 2 * lane.axis + static_cast<int>(i % 2);
        while (lane.telescope->PulseGuide(direction, lane.durationsMs[i]) ==
               server::DriverError::AlreadyInMotion)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::this_thread::sleep_for(std::chrono::milliseconds(lane.durationsMs[i]));
    }
}

// |held - duration| of every pulse of the lane, matched in order on each line.
void collectErrors(const Lane& lane, const sim::LineLog& lines, std::vector<double>& errorsMs)
{
    server::PulseGuider::DirectionWords words = lane.telescope->settings().directionWords;
    for (int sense = 0; sense < 2; ++sense) {
        int line = std::countr_zero(static_cast<unsigned>(words[2 * lane.axis + sense] & 0xFF));
        std::vector<sim::LinePulse> pulses = sim::linePulses(lines.changes(), line);
        std::size_t k = 0;
        for (std::size_t i = sense; i < lane.durationsMs.size(); i += 2, ++k) {
            if (k >= pulses.size()) {
                errorsMs.push_back(INFINITY); // a pulse that never showed
                continue;
            }
            errorsMs.push_back(std::abs(MsDouble(pulses[k].held()).count() - lane.durationsMs[i]));
        }
    }
}

Errors referenceSleepErrors()
{
    std::vector<double> errorsMs;
    for (int i = 0; i < kReferenceSleeps; ++i) {
        auto deadline = Clock::now() + std::chrono::milliseconds(10);
        std::this_thread::sleep_until(deadline);
        errorsMs.push_back(MsDouble(Clock::now() - deadline).count());
    }
    return summarise(errorsMs);
}

void BM_PulseTiming(benchmark::State& state)
{
    testing::TempHome home;
    sim::SimulatedParallelBackend parallel;
    platform::SystemPortDevices devices;
    devices.setSimulatorBackend(&parallel);
    devices.setSimulatorForced(true);
    server::PortRegistry ports(devices);
    server::DeviceSettings store;
    Errors pulses, reference;
    for (auto _ : state) {
        reference = referenceSleepErrors();
        std::vector<std::unique_ptr<server::TelescopeDriver>> telescopes;
        for (const char* port : {"LPT1", "LPT1", "LPT2", "LPT2"}) {
            telescopes.push_back(std::make_unique<server::TelescopeDriver>(ports, store));
            if (telescopes.size() % 2 == 0)
                telescopes.back()->setDirectionWords(kLowLines);
            telescopes.back()->setPortName(port);
        }
        std::vector<Lane> lanes;
        for (auto& telescope : telescopes)
            for (int axis = 0; axis < 2; ++axis)
                lanes.push_back({telescope.get(), axis, {}});
        std::vector<int> durations = pulseDurations();
        for (std::size_t i = 0; i < durations.size(); ++i)
            lanes[i % lanes.size()].durationsMs.push_back(durations[i]);

        std::vector<std::thread> running;
        for (const Lane& lane : lanes)
            running.emplace_back(runLane, std::cref(lane));
        for (std::thread& thread : running)
            thread.join();
        std::vector<double> errorsMs;
        for (std::size_t i = 0; i < lanes.size(); ++i) {
            lanes[i].telescope->waitUntilIdle(std::chrono::seconds(5));
            std::uint16_t address =
                i < lanes.size() / 2 ? platform::kLpt1DataAddress : platform::kLpt2DataAddress;
            collectErrors(lanes[i], parallel.port(address)->dataLines(), errorsMs);
        }
        pulses = summarise(errorsMs);
        telescopes.clear();
    }
    devices.setSimulatorBackend(nullptr);
    state.counters["median_error_ms"] = pulses.medianMs;
    state.counters["max_error_ms"] = pulses.maxMs;
    state.counters["reference_median_ms"] = reference.medianMs;
    state.counters["reference_max_ms"] = reference.maxMs;
    state.counters["median_vs_reference"] = pulses.medianMs / reference.medianMs;
}
BENCHMARK(BM_PulseTiming)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace
