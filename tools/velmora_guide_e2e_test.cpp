// Headless guiding end to end: velmora-guide against the real VelmoraServer in
// simulator mode (sky simulator camera, simulated LPT1 shared by camera and
// telescope). The same simulated time is measured once without corrections and once
// guided with the default gains.
#include "platform/registry/registry.h"
#include "testing/run_program.h"
#include "testing/temp_home.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>

using velmora::testing::runProgram;

namespace {

void setSimulatorValue(const char* name, DWORD value)
{
    HKEY key = nullptr;
    ASSERT_EQ(
        RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Velmora Software\\Simulator", KEY_ALL_ACCESS, &key),
        ERROR_SUCCESS);
    RegSetValueEx(key, name, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

// A number field of the summary line, or -1.
double summaryField(const std::string& output, const std::string& field)
{
    const std::size_t summary = output.rfind("{\"frames\":");
    if (summary == std::string::npos)
        return -1;
    const std::size_t at = output.find("\"" + field + "\":", summary);
    if (at == std::string::npos)
        return -1;
    return std::atof(output.c_str() + at + field.size() + 3);
}

} // namespace

TEST(VelmoraGuideEndToEnd, GuidingCutsTheSimulatedErrorToAThird)
{
    velmora::testing::TempHome home;
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    setenv("VELMORA_SIMULATOR", "1", 1);
    ASSERT_EQ(runProgram(VELMORA_SERVER_PATH, {"-RegServer"}, home.path()).status, 0);
    // Stars in focus at the focuser's start position; a drift of 30''/min in
    // declination and a 5'' periodic error of 40 s in right ascension.
    setSimulatorValue("Best Focus", 0);
    setSimulatorValue("Drift Dec", 3000);
    setSimulatorValue("PE Amplitude", 500);
    setSimulatorValue("PE Period", 40);
    setSimulatorValue("Seeing", 20);

    auto unguided = runProgram(VELMORA_GUIDE_PATH, {"--lock", "--no-guide", "--seconds", "30"}, home.path());
    auto guided = runProgram(VELMORA_GUIDE_PATH, {"--lock", "--seconds", "30"}, home.path());
    unsetenv("VELMORA_SIMULATOR");
    ASSERT_EQ(unguided.status, 0) << unguided.err;
    ASSERT_EQ(guided.status, 0) << guided.err;

    const double unguidedRms = summaryField(unguided.out, "rms_total");
    const double guidedRms = summaryField(guided.out, "rms_total");
    std::cout << "unguided rms_total " << unguidedRms << "'' over " << summaryField(unguided.out, "frames")
              << " frames; guided rms_total " << guidedRms << "'' over " << summaryField(guided.out, "frames")
              << " frames\n";
    EXPECT_GT(summaryField(unguided.out, "frames"), 50);
    EXPECT_GT(summaryField(guided.out, "frames"), 50);
    EXPECT_GT(unguidedRms, 3.0) << "the simulated mount must drift for the comparison to mean anything";
    EXPECT_GE(guidedRms, 0.0);
    EXPECT_LE(guidedRms * 3, unguidedRms);
    EXPECT_NE(guided.out.find("\"pulses\":[{"), std::string::npos) << "corrections were sent";
    EXPECT_EQ(unguided.out.find("\"pulses\":[{"), std::string::npos) << "--no-guide sends nothing";
}
