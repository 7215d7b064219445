#pragma once
// The automation object of the test server ("VelmoraTest.Object"): members that let
// tests see argument order, errors, independent state, window messages sent during a
// call, large arrays and a nested loop, served in-process or from the test server.

#include "platform/automation/apartment.h"
#include "platform/automation/dispatch_object.h"

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

namespace velmora::automation::testing {

// {6B1C4E0A-3F0D-4C51-9A8B-2D7E5F103A41} and friends: the test server's identity.
inline constexpr CLSID CLSID_VelmoraTestObject{
    0x6B1C4E0A, 0x3F0D, 0x4C51, {0x9A, 0x8B, 0x2D, 0x7E, 0x5F, 0x10, 0x3A, 0x41}};
inline constexpr GUID APPID_VelmoraTestServer{
    0x2A6F9C13, 0x8E47, 0x4B02, {0xB5, 0x1D, 0x90, 0x3C, 0x6E, 0x21, 0xF8, 0x74}};
inline constexpr IID IID_IVelmoraTestObject{
    0xC3D8E2F1, 0x5A69, 0x47B0, {0x8C, 0x2E, 0x14, 0x9F, 0x7B, 0x36, 0xD0, 0x58}};
inline constexpr char kTestProgId[] = "VelmoraTest.Object";
inline constexpr char kTestProgIdVersion[] = "VelmoraTest.Object.1";

// The value ImageArray holds at (x, y, plane).
std::int32_t imageValue(std::int32_t x, std::int32_t y, std::int32_t plane);

class TestObject : public DispatchObject<TestObject> {
public:
    // holdsServer: the object keeps a server process lock (as a driver object does).
    explicit TestObject(bool holdsServer = true);
    ~TestObject() override;

    static const DispatchTable<TestObject>& dispatchTable();
    // Runs a nested loop of the serving thread for a while (ModalLoop).
    static void setNestedLoop(std::function<void(std::chrono::milliseconds)> run);
    static int liveObjects();
    static int callsServed();
    // WaitForRelease: its work waits (at most 10 s) until released here.
    static int waitingForRelease();
    static void releaseWaiters();
    // ModalLoop calls that have entered their nested loop in this process; waiting at
    // most `limit` until there are `count`.
    static int nestedLoopsEntered();
    static bool waitForNestedLoops(int count, std::chrono::milliseconds limit);

private:
    static DispatchTable<TestObject> makeTable();
    static void addValueMembers(DispatchTable<TestObject>& table);
    static void addImageMembers(DispatchTable<TestObject>& table);
    static void addTimingMembers(DispatchTable<TestObject>& table);
    static void addDeferredMembers(DispatchTable<TestObject>& table);
    HRESULT sendCopyData(DispatchArgs args, VARIANT* result);
    HRESULT imageArray(VARIANT* result);

    std::unique_ptr<ServerProcessReference> m_serverReference;
    LONG m_value = 0;
    LONG m_width = 4;
    LONG m_height = 3;
    LONG m_planes = 1;
    std::vector<std::int32_t> m_image; // built for the current geometry
    std::chrono::steady_clock::time_point m_readyAt = std::chrono::steady_clock::now();
};

} // namespace velmora::automation::testing
