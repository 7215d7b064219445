// Clients of the real VelmoraServer: one whose focuser turns into a device that
// trickles its bytes, one guiding meanwhile: the first fails its call within its
// bound, the second is served as if nothing happened. And a client killed while its
// telescope pulses: the server lets go of its objects and lines, then ends.
#include "platform/automation/apartment.h"
#include "platform/automation/class_factory_proxy.h"
#include "platform/automation/class_registry.h"
#include "platform/automation/client_connection.h"
#include "platform/automation/com_ptr.h"
#include "platform/automation/dispatch_calls.h"
#include "platform/automation/error_info.h"
#include "platform/automation/remote_activation.h"
#include "platform/automation/socket_io.h"
#include "platform/registry/registry.h"
#include "server/frame/server_identity.h"
#include "sim/kf3_controller.h"
#include "sim/kr4_relay_box.h"
#include "sim/line_pulses.h"
#include "sim/pty_emulator.h"
#include "testing/eventually.h"
#include "testing/run_program.h"
#include "testing/temp_home.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <sys/wait.h>
#include <thread>

using namespace velmora;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

bool writeString(HKEY root, const char* path, const char* name, const std::string& value)
{
    HKEY key = nullptr;
    if (RegCreateKeyEx(root, path, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return false;
    const LONG rc = RegSetValueEx(key, name, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                  static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

bool writeMachineString(const char* name, const std::string& value)
{
    return writeString(HKEY_LOCAL_MACHINE, "Software\\Velmora Software\\Ports", name, value);
}

CLSID classOf(const char* name)
{
    for (const auto& c : server::kServerClasses)
        if (std::string(c.name) == name)
            return automation::parseGuid(c.clsid).value();
    return CLSID{};
}

class TwoClientsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        unsetenv("VELMORA_SIMULATOR");
        ASSERT_TRUE(emulator.start());
        // The focuser's COM1 is the emulated controller; LPT1 the simulated port.
        ASSERT_TRUE(writeMachineString("COM1", emulator.slavePath()));
        ASSERT_TRUE(writeMachineString("Parallel", "simulator"));
        ASSERT_EQ(velmora::testing::runProgram(VELMORA_SERVER_PATH, {"-RegServer"}, home.path()).status, 0);
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    }
    void TearDown() override { CoUninitialize(); }

    velmora::testing::TempHome home;
    sim::Kf3Controller controller;
    sim::PtyEmulator emulator{controller};
    sim::Kr4RelayBox relayBox;
    sim::PtyEmulator relayBoxEmulator{relayBox};
};

TEST_F(TwoClientsTest, ATricklingFocuserFailsItsCallWhileAnotherClientKeepsGuiding)
{
    // The first client links its focuser while the controller is sound.
    automation::ComPtr<IDispatch> focuser;
    ASSERT_EQ(S_OK, CoCreateInstance(classOf("Focuser"), nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                                     focuser.putVoid()));
    automation::Variant on = automation::Variant::boolean(true);
    ASSERT_EQ(S_OK, automation::putProperty(focuser.get(), "Link", *on.get()));

    // The second client has a connection of its own and a telescope on LPT1.
    const auto socketPath = automation::localServerSocketPath(classOf("Telescope"));
    ASSERT_TRUE(socketPath);
    auto connection = std::make_shared<automation::ClientConnection>(automation::connectUnix(*socketPath));
    automation::ComPtr<IDispatch> telescope;
    ASSERT_EQ(S_OK, automation::createProxyInstance(connection, classOf("Telescope"), IID_IDispatch,
                                                    telescope.putVoid()));
    ASSERT_EQ(S_OK, automation::putProperty(telescope.get(), "Connected", *on.get()));

    // Now every byte the controller sends comes 90 ms after the one before, and its
    // replies never end.
    sim::EmulatorFaults trickle;
    trickle.byteInterval = 90ms;
    trickle.overlongReplies = true;
    emulator.setFaults(trickle);

    std::atomic<bool> focuserDone{false};
    std::atomic<long long> worstMs{0};
    std::atomic<int> guideCalls{0}, guideFailures{0};
    std::thread guiding([&] {
        int direction = 0;
        while (!focuserDone) {
            automation::Variant dir = automation::Variant::i4(direction),
                                length = automation::Variant::i4(20);
            VARIANT args[] = {*length.get(), *dir.get()};
            DISPID id = DISPID_UNKNOWN;
            const auto start = Clock::now();
            automation::Variant pulsing;
            const bool ok = automation::getIdOfName(telescope.get(), "PulseGuide", id) == S_OK &&
                            automation::getProperty(telescope.get(), "IsPulseGuiding", pulsing.get()) == S_OK;
            DISPPARAMS params{args, nullptr, 2, 0};
            const HRESULT pulsed =
                telescope->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
            worstMs = std::max<long long>(
                worstMs, std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
            ++guideCalls;
            if (!ok || (pulsed != S_OK && pulsed != DISP_E_EXCEPTION)) // "Already In Motion" is an answer
                ++guideFailures;
            direction = (direction + 2) % 4;
            std::this_thread::sleep_for(5ms); // pacing, not ordering
        }
    });

    const auto start = Clock::now();
    automation::Variant position;
    EXCEPINFO exception{};
    const HRESULT read = automation::getProperty(focuser.get(), "Position", position.get(), &exception);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    focuserDone = true;
    guiding.join();

    std::printf("[ figures  ] trickling focuser: Position failed after %lld ms; worst call of the guiding "
                "client meanwhile %lld ms (%d rounds)\n",
                static_cast<long long>(took.count()), worstMs.load(), guideCalls.load());
    EXPECT_EQ(DISP_E_EXCEPTION, read);
    EXPECT_EQ("Not Connected", automation::bstrToUtf8(exception.bstrDescription));
    ClearExcepInfo(&exception);
    EXPECT_LT(took, 2s);
    EXPECT_GT(guideCalls.load(), 3);
    EXPECT_EQ(0, guideFailures.load());
    EXPECT_LT(worstMs.load(), 100);

    emulator.setFaults({});
    emulator.stop(); // the controller's endless reply ends here
}

TEST_F(TwoClientsTest, AClientKilledMidPulseLeavesTheLinesReleasedAndTheServerEnds)
{
    // The telescope guides through a relay box whose outputs this test sees.
    ASSERT_TRUE(relayBoxEmulator.start());
    ASSERT_TRUE(writeMachineString("COM2", relayBoxEmulator.slavePath()));
    ASSERT_TRUE(writeString(HKEY_CURRENT_USER,
                            "Software\\Velmora Software\\Velmora Telescope ASCOM Driver\\Default\\Config",
                            "Port", "COM2"));
    const sim::LineLog& outputs = relayBox.outputLines();
    constexpr std::uint8_t kNorthLine = 0x80; // line 7: output 8

    // A scripting client starts a 30 s North pulse and would then wait a minute more.
    const auto client = velmora::testing::startProgram(VELMORA_CALL_PATH,
                                                       {"VelmoraServer.Telescope", "put", "Connected", "true",
                                                        "call", "PulseGuide", "0", "30000", "sleep", "60000"},
                                                       home.path());
    ASSERT_GT(client.pid, 0);
    const bool pulsing = outputs.waitFor([](std::uint8_t lines) { return (lines & kNorthLine) != 0; }, 30s);
    const auto servers = velmora::testing::serverProcesses(VELMORA_SERVER_PATH, home.path());
    ::kill(client.pid, SIGKILL);
    const auto outcome = velmora::testing::finishProgram(client);
    ASSERT_TRUE(pulsing) << outcome.out << outcome.err;
    EXPECT_EQ(servers.size(), 1u);

    // Its connection ends with it: the server releases its telescope, which cuts the
    // pulse short and releases both axes, and nothing is left to keep the server.
    EXPECT_TRUE(outputs.waitFor([](std::uint8_t lines) { return (lines & 0xF0) == 0; }, 5s));
    const std::vector<sim::LinePulse> north = sim::linePulses(outputs.changes(), 7);
    ASSERT_EQ(north.size(), 1u);
    EXPECT_LT(north[0].held(), 25s);
    EXPECT_TRUE(velmora::testing::eventually(
        [&] { return velmora::testing::serverProcesses(VELMORA_SERVER_PATH, home.path()).empty(); }, 10s));
}

} // namespace
