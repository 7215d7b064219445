// The guiding server end to end: velmora-guide --serve against the real VelmoraServer
// in simulator mode, driven by a protocol client the way an imaging program drives
// it: connect, loop, find a star, guide and settle, dither and settle, pause, stop,
// shut down.
#include "client/remote/json_rpc.h"
#include "client/remote/protocol_session.h"
#include "testing/run_program.h"
#include "testing/temp_home.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <iostream>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using velmora::client::remote::Json;
using velmora::client::remote::ProtocolSession;
using velmora::client::remote::ScriptedClient;
using Clock = std::chrono::steady_clock;

namespace {

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// velmora-guide --serve with its standard error on a pipe, to learn the port it took.
class ServedGuider {
public:
    explicit ServedGuider(const std::string& home)
    {
        int pipeFds[2];
        if (::pipe2(pipeFds, O_CLOEXEC) != 0)
            return;
        m_err = pipeFds[0];
        const std::string out = home + "/velmora-guide.out";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
        std::vector<std::string> arguments = {VELMORA_GUIDE_PATH, "--serve", "--port", "0"};
        std::vector<char*> argv;
        for (std::string& a : arguments)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&m_pid, VELMORA_GUIDE_PATH, &actions, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipeFds[1]);
    }
    ~ServedGuider()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
        ::close(m_err);
    }
    // The port of "serving on …:PORT", 0 when none came in time.
    int port(std::chrono::seconds limit)
    {
        const auto deadline = Clock::now() + limit;
        while (Clock::now() < deadline && readSome(500)) {
            const std::size_t at = m_text.find("serving on ");
            const std::size_t colon = at == std::string::npos ? at : m_text.find(':', at);
            if (colon != std::string::npos && m_text.find('\n', colon) != std::string::npos)
                return std::atoi(m_text.c_str() + colon + 1);
        }
        return 0;
    }
    // Waits for the exit (the pipe closes first); the exit status, or -1.
    int exitStatus(std::chrono::seconds limit)
    {
        const auto deadline = Clock::now() + limit;
        while (Clock::now() < deadline && readSome(500)) {
        }
        int status = 0;
        if (m_pid <= 0 || ::waitpid(m_pid, &status, WNOHANG) != m_pid)
            return -1;
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    const std::string& errText() const { return m_text; }

private:
    // False at the end of the pipe.
    bool readSome(int waitMs)
    {
        pollfd fd{m_err, POLLIN, 0};
        if (::poll(&fd, 1, waitMs) <= 0)
            return true;
        char buffer[4096];
        const ssize_t n = ::read(m_err, buffer, sizeof buffer);
        if (n <= 0)
            return false;
        m_text.append(buffer, static_cast<std::size_t>(n));
        return true;
    }

    pid_t m_pid = -1;
    int m_err = -1;
    std::string m_text;
};

Json settle(double pixels, double time, double timeout)
{
    return {{"pixels", pixels}, {"time", time}, {"timeout", timeout}};
}

bool hasPulse(const Json& step)
{
    return step.contains("RADuration") || step.contains("DECDuration");
}

} // namespace

TEST(VelmoraGuideServeEndToEnd, AnImagingProgramGuidesSettlesDithersPausesAndStops)
{
    velmora::testing::TempHome home;
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    setenv("VELMORA_SIMULATOR", "1", 1);
    setenv("TMPDIR", home.path().c_str(), 1); // where save_image puts its files
    ASSERT_EQ(velmora::testing::runProgram(VELMORA_SERVER_PATH, {"-RegServer"}, home.path()).status, 0);
    ServedGuider guider(home.path());
    const int port = guider.port(std::chrono::seconds(30));
    ASSERT_GT(port, 0) << guider.errText();
    ProtocolSession program(port, nullptr);
    ASSERT_TRUE(program.connected());
    EXPECT_EQ(program.waitFor("Version", std::chrono::seconds(10))["MsgVersion"], 1);
    EXPECT_EQ(program.waitFor("AppState", std::chrono::seconds(10))["State"], "Stopped");

    EXPECT_EQ(program.call("set_connected", {true})["result"], 0) << guider.errText();
    EXPECT_EQ(program.call("loop")["result"], 0);
    ASSERT_FALSE(program.waitFor("LoopingExposures", std::chrono::seconds(30)).is_null());
    const Json star = program.call("find_star");
    ASSERT_TRUE(star["result"].is_array()) << star.dump();

    // Guide and settle.
    const std::size_t guideStart = program.eventCount();
    const auto guideAsked = Clock::now();
    EXPECT_EQ(program.call("guide", {{"settle", settle(1.5, 5, 60)}, {"recalibrate", false}})["result"], 0);
    const Json settled = program.waitFor("SettleDone", std::chrono::seconds(75));
    const double settleSeconds = secondsSince(guideAsked);
    ASSERT_FALSE(settled.is_null());
    EXPECT_EQ(settled["Status"], 0) << settled.dump();
    EXPECT_LE(settleSeconds, 62.0);
    const std::vector<Json> steps = program.eventsSince(guideStart, "GuideStep");
    ASSERT_GT(steps.size(), 20u);
    for (std::size_t i = 0; i < steps.size(); ++i)
        ASSERT_EQ(steps[i]["Frame"], static_cast<int>(i + 1)) << "one GuideStep per frame, none missed";
    EXPECT_EQ(settled["TotalFrames"], static_cast<int>(steps.size()));
    const double stepRate =
        (steps.size() - 1) / (steps.back()["Time"].get<double>() - steps.front()["Time"].get<double>());
    EXPECT_TRUE(std::any_of(steps.begin(), steps.end(), hasPulse)) << "corrections went out";

    // Dither 3 px and settle again, within 2 px: the simulated seeing alone takes the
    // star past 1.5 px now and then, so a 1.5 px settle after a dither can take minutes.
    const std::size_t ditherStart = program.eventCount();
    const auto ditherAsked = Clock::now();
    EXPECT_EQ(
        program.call("dither", {{"amount", 3}, {"raOnly", false}, {"settle", settle(2.0, 5, 120)}})["result"],
        0);
    const Json ditherSettled = program.waitFor("SettleDone", std::chrono::seconds(130));
    const double ditherSeconds = secondsSince(ditherAsked);
    ASSERT_FALSE(ditherSettled.is_null());
    EXPECT_EQ(ditherSettled["Status"], 0) << ditherSettled.dump();
    const std::vector<Json> dithered = program.eventsSince(ditherStart, "GuidingDithered");
    ASSERT_EQ(dithered.size(), 1u);
    EXPECT_LE(std::hypot(dithered[0]["dx"].get<double>(), dithered[0]["dy"].get<double>()),
              3.0 * std::sqrt(2.0));

    // Paused: steps go on, pulses do not; meanwhile a client that never reads and a
    // hundred that come and go leave the frame rate as it was.
    EXPECT_EQ(program.call("set_paused", {true})["result"], 0);
    const std::size_t pauseStart = program.eventCount();
    ScriptedClient stalled(port, nullptr);
    ASSERT_TRUE(stalled.connected());
    for (int i = 0; i < 100; ++i) {
        ScriptedClient visitor(port, nullptr);
        ASSERT_TRUE(visitor.connected()) << i;
    }
    for (int i = 0; i < 25; ++i)
        ASSERT_FALSE(program.waitFor("GuideStep", std::chrono::seconds(10)).is_null());
    const std::vector<Json> pausedSteps = program.eventsSince(pauseStart, "GuideStep");
    EXPECT_TRUE(std::none_of(pausedSteps.begin(), pausedSteps.end(), hasPulse));
    const double pausedRate = (pausedSteps.size() - 1) / (pausedSteps.back()["Time"].get<double>() -
                                                          pausedSteps.front()["Time"].get<double>());
    EXPECT_GT(pausedRate, 0.8 * stepRate) << "clients do not slow the frames";
    EXPECT_EQ(program.call("get_app_state")["result"], "Paused");
    EXPECT_EQ(program.call("set_paused", {false})["result"], 0);

    // The frame as FITS, where guiders put it.
    const Json saved = program.call("save_image");
    ASSERT_TRUE(saved["result"]["filename"].is_string()) << saved.dump();
    const std::string fits = velmora::testing::readFile(saved["result"]["filename"].get<std::string>());
    EXPECT_EQ(fits.substr(0, 9), "SIMPLE  =");
    EXPECT_EQ(fits.size() % 2880, 0u);
    EXPECT_EQ(saved["result"]["filename"].get<std::string>().rfind(home.path(), 0), 0u);

    // Stop, then shut down.
    const std::size_t stopStart = program.eventCount();
    EXPECT_EQ(program.call("stop_capture")["result"], 0);
    EXPECT_EQ(program.call("get_app_state")["result"], "Stopped");
    EXPECT_EQ(program.eventsSince(stopStart, "GuidingStopped").size(), 1u);
    EXPECT_EQ(program.eventsSince(stopStart, "LoopingExposuresStopped").size(), 1u);
    const std::vector<Json> states = program.eventsSince(stopStart, "AppState");
    ASSERT_FALSE(states.empty());
    EXPECT_EQ(states.back()["State"], "Stopped");
    EXPECT_EQ(program.call("shutdown")["result"], 0);
    EXPECT_EQ(guider.exitStatus(std::chrono::seconds(30)), 0) << guider.errText();
    unsetenv("VELMORA_SIMULATOR");
    unsetenv("TMPDIR");

    std::cout << "guide settle " << settleSeconds << " s (" << steps.size() << " frames), GuideStep rate "
              << stepRate << " per second (" << pausedRate << " with 101 more clients), dither settle "
              << ditherSeconds << " s (" << ditherSettled["TotalFrames"] << " frames)\n";
}
