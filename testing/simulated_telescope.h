#pragma once
// Test fixture: a telescope object on the simulated parallel port, its pulses timed by
// a fake clock that also stamps the simulated line changes.

#include "platform/ports/system_port_devices.h"
#include "server/common/fake_pulse_clock.h"
#include "server/frame/device_settings.h"
#include "server/ports/port_registry.h"
#include "server/telescope/telescope_driver.h"
#include "sim/line_pulses.h"
#include "sim/simulated_parallel_backend.h"
#include "testing/eventually.h"
#include "testing/temp_home.h"

#include <gtest/gtest.h>

#include <memory>

namespace velmora::server {

class SimulatedTelescope : public ::testing::Test {
protected:
    static constexpr std::chrono::milliseconds kIdleLimit{5000};
    enum Line { D4 = 4, D5 = 5, D6 = 6, D7 = 7 };

    SimulatedTelescope()
    {
        devices.setSimulatorBackend(&parallel);
        devices.setSimulatorForced(true);
    }
    ~SimulatedTelescope() override
    {
        telescope.reset();
        devices.setSimulatorBackend(nullptr);
    }

    // A value of profile "Default", for the next object created.
    void storeNumber(const char* section, const char* value, std::int32_t number)
    {
        store.setCurrent(kTelescopeDriverName, kDefaultProfile);
        ASSERT_TRUE(store.writeNumber(section, value, number));
    }
    TelescopeDriver& create()
    {
        telescope = std::make_unique<TelescopeDriver>(ports, store, clock);
        return *telescope;
    }
    TelescopeDriver& connected()
    {
        TelescopeDriver& driver = create();
        EXPECT_EQ(driver.putConnected(true), DriverError::None);
        return driver;
    }
    // Starts a pulse and, with the automatic clock, waits until it has been held.
    void pulse(int direction, std::int32_t durationMs)
    {
        ASSERT_EQ(telescope->PulseGuide(direction, durationMs), DriverError::None);
        ASSERT_TRUE(telescope->waitUntilIdle(kIdleLimit));
    }
    sim::LineLog& lines() { return parallel.port(platform::kLpt1DataAddress)->dataLines(); }
    // Held times of one line's pulses, in milliseconds, oldest first.
    std::vector<long long> heldMs(int line, bool activeHigh = true)
    {
        std::vector<long long> held;
        for (const sim::LinePulse& p : sim::linePulses(lines().changes(), line, activeHigh))
            held.push_back(std::chrono::duration_cast<std::chrono::milliseconds>(p.held()).count());
        return held;
    }

    testing::TempHome home;
    FakePulseClock clock;
    sim::SimulatedParallelBackend parallel{clock.asFunction()};
    platform::SystemPortDevices devices;
    PortRegistry ports{devices};
    DeviceSettings store;
    std::unique_ptr<TelescopeDriver> telescope;
};

} // namespace velmora::server
