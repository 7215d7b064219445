// velmora-guide bound to INDI devices: the CCD simulator as camera and the mount
// simulator as telescope, under a real indiserver, with the mount tracking off the sky's
// rate so that there is something to correct. The same length of time is
// measured once without corrections and once guided.

#include "client/devices/indi/indi_connection.h"
#include "client/devices/indi/testing/indi_server.h"
#include "client/shell/registry_settings_store.h"
#include "client/shell/settings_layout.h"
#include "testing/guide_summary.h"
#include "testing/run_program.h"
#include "testing/temp_home.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>

using velmora::testing::summaryField;

namespace {

using namespace std::chrono_literals;
using velmora::client::indi::IndiConnection;
using velmora::client::indi::IndiDeviceType;
using velmora::client::indi::PropertyMirror;
using velmora::client::indi::WaitOutcome;
using velmora::client::indi::testing::IndiServer;
namespace settings = velmora::client::settings;

constexpr const char* kCamera = "CCD Simulator";
constexpr const char* kMount = "Telescope Simulator";

// The mount tracks at a rate of its own, off the sky's by `raArcsecPerSecond` and
// `decArcsecPerSecond`, so that the stars drift as under a poorly aligned mount.
bool driftTheMount(const velmora::client::indi::IndiServerAddress& server, double raArcsecPerSecond,
                   double decArcsecPerSecond)
{
    IndiConnection mount(server, kMount);
    if (!mount.ensureConnected())
        return false;
    auto defined = [](const PropertyMirror::View& v) {
        return v.property(kMount, "TELESCOPE_TRACK_RATE") && v.property(kMount, "TELESCOPE_TRACK_MODE");
    };
    if (mount.mirror().waitUntil(defined, 15s) != WaitOutcome::Satisfied)
        return false;
    const double sidereal =
        mount.mirror().property(kMount, "TELESCOPE_TRACK_RATE")->number("TRACK_RATE_RA").value_or(15.041067);
    return mount.sendSwitch(kMount, "TELESCOPE_TRACK_MODE", "TRACK_CUSTOM") &&
           mount.sendNumbers(
               kMount, "TELESCOPE_TRACK_RATE",
               {{"TRACK_RATE_RA", sidereal - raArcsecPerSecond}, {"TRACK_RATE_DE", decArcsecPerSecond}}) &&
           mount.mirror().waitUntil(
               [=](const PropertyMirror::View& v) {
                   const auto* rate = v.property(kMount, "TELESCOPE_TRACK_RATE");
                   return rate && rate->number("TRACK_RATE_DE") == decArcsecPerSecond;
               },
               15s) == WaitOutcome::Satisfied;
}

// The CCD simulator's camera turned on its guide scope. Our guiding has no calibration:
// it takes East along the image's +x and North along +y, and the simulator's unturned
// frame has the two axes the other way round.
bool rotateTheCamera(const velmora::client::indi::IndiServerAddress& server, double degrees)
{
    IndiConnection camera(server, kCamera);
    auto defined = [](const PropertyMirror::View& v) { return v.property(kCamera, "SIMULATOR_SETTINGS"); };
    return camera.ensureConnected() && camera.mirror().waitUntil(defined, 15s) == WaitOutcome::Satisfied &&
           camera.sendNumbers(kCamera, "SIMULATOR_SETTINGS", {{"SIM_ROTATION", degrees}}) &&
           camera.mirror().waitUntil(
               [=](const PropertyMirror::View& v) {
                   const auto* s = v.property(kCamera, "SIMULATOR_SETTINGS");
                   return s && s->number("SIM_ROTATION") == degrees;
               },
               15s) == WaitOutcome::Satisfied;
}

} // namespace

TEST(VelmoraGuideIndiEndToEnd, GuidesTheIndiSimulatorsStars)
{
    velmora::client::indi::testing::enterPrivateNetwork();
    velmora::testing::TempHome home;
    IndiServer server;
    ASSERT_TRUE(server.started()) << server.log();
    ASSERT_TRUE(velmora::client::indi::testing::pointMountAtStarField(server.address(), -3.0));
    ASSERT_TRUE(driftTheMount(server.address(), 0.3, 0.2));
    // East of the meridian, with the camera a quarter turn round, the frame's axes are
    // those our guiding expects (found by trying: the simulator's frame follows the pier side).
    ASSERT_TRUE(rotateTheCamera(server.address(), 90));
    {
        // The client's settings: the INDI devices, a 1 s exposure, the simulator's optics.
        velmora::client::RegistrySettingsStore store;
        settings::write(store, settings::kDriverCamera, server.progId(IndiDeviceType::Camera, kCamera));
        settings::write(store, settings::kDriverTelescope, server.progId(IndiDeviceType::Telescope, kMount));
        settings::write(store, settings::kDriverFocuser,
                        server.progId(IndiDeviceType::Focuser, "Focuser Simulator"));
        settings::write(store, settings::kExposureTime, 100);
        settings::write(store, settings::kPixelWidth, 520);
        settings::write(store, settings::kPixelHeight, 520);
        settings::write(store, settings::kFocalLength, 900);
        // A correction on every frame: the simulator draws its stars at whole pixels,
        // so averaging ten 1 s frames would hide most of the drift.
        settings::write(store, settings::kAxisFrame, settings::Axis::X, 1);
        settings::write(store, settings::kAxisFrame, settings::Axis::Y, 1);
    }

    auto unguided = velmora::testing::runProgram(
        VELMORA_GUIDE_PATH, {"--lock", "--no-guide", "--seconds", "60"}, home.path(), 3min);
    auto guided =
        velmora::testing::runProgram(VELMORA_GUIDE_PATH, {"--lock", "--seconds", "60"}, home.path(), 3min);
    ASSERT_EQ(unguided.status, 0) << unguided.err;
    ASSERT_EQ(guided.status, 0) << guided.err;

    const double unguidedRms = summaryField(unguided.out, "rms_total");
    const double guidedRms = summaryField(guided.out, "rms_total");
    std::cout << "INDI simulators: unguided rms_total " << unguidedRms << "'' over "
              << summaryField(unguided.out, "frames") << " frames; guided rms_total " << guidedRms
              << "'' over " << summaryField(guided.out, "frames") << " frames\n";
    EXPECT_GT(summaryField(unguided.out, "frames"), 20);
    EXPECT_GT(summaryField(guided.out, "frames"), 20);
    EXPECT_GT(unguidedRms, 3.0)
        << "the drifting mount must move the stars for the comparison to mean anything";
    EXPECT_LE(guidedRms * 3, unguidedRms);
    EXPECT_NE(guided.out.find("\"pulses\":[{"), std::string::npos) << "corrections were sent";
}
