// Headless guiding end to end: velmora-guide against the real VelmoraServer in
// simulator mode (sky simulator camera, simulated LPT1 shared by camera and
// telescope), at the shipped settings of both programs: what a newcomer sees. The
// same simulated time is measured once without corrections and once guided.
#include "platform/registry/registry.h"
#include "testing/guide_summary.h"
#include "testing/run_program.h"
#include "testing/temp_home.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>

using velmora::testing::runProgram;

using velmora::testing::summaryField;

namespace {

bool simulatorKeyExists()
{
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Velmora Software\\Simulator", KEY_READ, &key) !=
        ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}


} // namespace

TEST(VelmoraGuideEndToEnd, AtTheShippedDefaultsGuidingCutsTheSimulatedErrorToAThird)
{
    velmora::testing::TempHome home;
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    setenv("VELMORA_SIMULATOR", "1", 1);
    ASSERT_EQ(runProgram(VELMORA_SERVER_PATH, {"-RegServer"}, home.path()).status, 0);
    ASSERT_FALSE(simulatorKeyExists()) << "the simulated sky runs at its defaults";

    auto unguided = runProgram(VELMORA_GUIDE_PATH, {"--lock", "--no-guide", "--seconds", "40"}, home.path());
    auto guided = runProgram(VELMORA_GUIDE_PATH, {"--lock", "--seconds", "40"}, home.path());
    unsetenv("VELMORA_SIMULATOR");
    ASSERT_EQ(unguided.status, 0) << unguided.err;
    ASSERT_EQ(guided.status, 0) << guided.err;

    const double unguidedRms = summaryField(unguided.out, "rms_total");
    const double guidedRms = summaryField(guided.out, "rms_total");
    std::cout << "unguided rms_total " << unguidedRms << "'' over " << summaryField(unguided.out, "frames")
              << " frames; guided rms_total " << guidedRms << "'' over " << summaryField(guided.out, "frames")
              << " frames; ratio " << guidedRms / unguidedRms << "\n";
    EXPECT_GT(summaryField(unguided.out, "frames"), 100);
    EXPECT_GT(summaryField(guided.out, "frames"), 100);
    EXPECT_GT(unguidedRms, 3.0) << "the simulated mount must drift for the comparison to mean anything";
    EXPECT_GE(guidedRms, 0.0);
    EXPECT_LE(guidedRms * 3, unguidedRms);
    EXPECT_NE(guided.out.find("\"pulses\":[{"), std::string::npos) << "corrections were sent";
    EXPECT_EQ(unguided.out.find("\"pulses\":[{"), std::string::npos) << "--no-guide sends nothing";
}
