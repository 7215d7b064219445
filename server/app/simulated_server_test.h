#pragma once
// Base of the tests that reach the real VelmoraServer: a private home where the
// server is registered, simulator mode, no display, and activation by ProgID.

#include "platform/automation/apartment.h"
#include "platform/automation/bstr.h"
#include "platform/automation/class_registry.h"
#include "platform/automation/com_ptr.h"
#include "platform/automation/dispatch.h"
#include "testing/run_program.h"
#include "testing/temp_home.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace velmora::testing {

class SimulatedServerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        unsetenv("QT_QPA_PLATFORM");
        setenv("VELMORA_SIMULATOR", "1", 1);
        ASSERT_EQ(runProgram(VELMORA_SERVER_PATH, {"-RegServer"}, home.path()).status, 0);
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    }
    void TearDown() override
    {
        CoUninitialize();
        unsetenv("VELMORA_SIMULATOR");
    }

    automation::ComPtr<IDispatch> create(const char* progId)
    {
        CLSID clsid{};
        EXPECT_EQ(CLSIDFromProgID(automation::utf8ToUtf16(progId).c_str(), &clsid), S_OK);
        IDispatch* object = nullptr;
        EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                   reinterpret_cast<void**>(&object)),
                  S_OK);
        return automation::ComPtr<IDispatch>::attach(object);
    }

    TempHome home;
};

} // namespace velmora::testing
