// The remote guider's methods and events on a fake guider and a fake clock: settling,
// dithering, pausing, losing the star, stopping, and each method's answer or error.
#include "client/remote/fake_guider_backend.h"
#include "client/remote/remote_guider.h"

#include <gtest/gtest.h>

#include <cmath>

namespace velmora::client::remote {
namespace {

struct RecordingSink : EventSink {
    using EventSink::event;
    void event(const std::string& name, Json attributes) override
    {
        attributes["Event"] = name;
        events.push_back(std::move(attributes));
    }
    std::vector<std::string> names() const
    {
        std::vector<std::string> list;
        for (const Json& e : events)
            list.push_back(e["Event"]);
        return list;
    }
    std::vector<Json> named(const std::string& name) const
    {
        std::vector<Json> list;
        for (const Json& e : events)
            if (e["Event"] == name)
                list.push_back(e);
        return list;
    }
    std::vector<Json> events;
};

class RemoteGuiding : public ::testing::Test {
protected:
    MethodOutcome call(const std::string& method, const char* params = "[]")
    {
        return m_guider.call(method, Json::parse(params));
    }
    void ok(const std::string& method, const char* params = "[]")
    {
        const MethodOutcome outcome = call(method, params);
        ASSERT_FALSE(outcome.error) << method << ": " << outcome.error->message;
    }
    // A frame `dt` seconds after the last with the star at (x, y).
    void frame(double dt, double x, double y, bool found = true)
    {
        m_now += dt;
        m_backend.m_hasFrame = true;
        m_guider.frameObserved(m_backend.frame(m_now, x, y, found));
    }
    // Connected, looping, guiding on the star at (100, 200) with the given settle.
    void startGuiding(const char* settle = R"({"pixels":1.5,"time":5,"timeout":60})")
    {
        ok("set_connected", "[true]");
        ok("loop");
        frame(1, 100, 200);
        ok("guide", (std::string("{\"settle\":") + settle + "}").c_str());
        ASSERT_TRUE(m_backend.m_guiding);
    }

    double m_now = 0.0;
    FakeGuiderBackend m_backend;
    RecordingSink m_sink;
    RemoteGuider m_guider{m_backend, m_sink, [this] { return m_now; }, 42};
};

TEST_F(RemoteGuiding, GuideSettlesWhenTheErrorStaysBelowTheLimitForTheTime)
{
    startGuiding();
    EXPECT_EQ(m_backend.m_lock.x, 100.0) << "the lock position is the star where guiding starts";
    for (int i = 0; i < 3; ++i)
        frame(1, 103, 200); // 3 px off: not settled
    for (int i = 0; i < 5; ++i)
        frame(1, 100.5, 200.5);
    EXPECT_TRUE(m_guider.settling()) << "4 s inside the limit is not yet 5";
    frame(1, 100.4, 200.2);
    EXPECT_FALSE(m_guider.settling());
    const std::vector<Json> done = m_sink.named("SettleDone");
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0]["Status"], 0);
    EXPECT_FALSE(done[0].contains("Error"));
    EXPECT_EQ(done[0]["TotalFrames"], 9);
    EXPECT_EQ(done[0]["DroppedFrames"], 0);
    const std::vector<Json> settling = m_sink.named("Settling");
    ASSERT_EQ(settling.size(), 8u);
    EXPECT_DOUBLE_EQ(settling[0]["Distance"].get<double>(), 3.0);
    EXPECT_EQ(settling[0]["SettleTime"], 5.0);
    EXPECT_DOUBLE_EQ(settling.back()["Time"].get<double>(), 4.0);
    EXPECT_EQ(m_sink.named("GuideStep").size(), 9u) << "one per guided frame";

    const std::vector<std::string> names = m_sink.names();
    const auto position = [&names](const char* name) {
        return std::find(names.begin(), names.end(), name) - names.begin();
    };
    EXPECT_LT(position("SettleBegin"), position("StartGuiding"));
    EXPECT_LT(position("LockPositionSet"), position("StartGuiding"));
    EXPECT_EQ(m_sink.named("AppState").back()["State"], "Guiding");
}

TEST_F(RemoteGuiding, SettlingTimesOutWithAnErrorEvenWithoutFrames)
{
    startGuiding(R"({"pixels":1.0,"time":2,"timeout":10})");
    frame(4, 104, 200);
    m_now += 6.5;
    m_guider.tick();
    const std::vector<Json> done = m_sink.named("SettleDone");
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0]["Status"], 1);
    EXPECT_EQ(done[0]["Error"], "timed-out waiting for guider to settle");
    EXPECT_EQ(done[0]["TotalFrames"], 1);
}

TEST_F(RemoteGuiding, ALostStarIsADroppedFrameWithoutPulsesAndLostLock)
{
    startGuiding(R"({"pixels":1.5,"time":2,"timeout":60})");
    frame(1, 100.2, 200);
    frame(1, 0, 0, false);
    EXPECT_EQ(m_guider.appState(), "LostLock");
    EXPECT_FALSE(m_backend.m_pulsesEnabled) << "no pulses chase a lost star";
    ASSERT_EQ(m_sink.named("StarLost").size(), 1u);
    EXPECT_EQ(m_sink.named("StarLost")[0]["Frame"], 2);
    frame(1, 100.2, 200);
    EXPECT_TRUE(m_backend.m_pulsesEnabled);
    EXPECT_EQ(m_guider.appState(), "Guiding");
    frame(1, 100.2, 200);
    EXPECT_TRUE(m_guider.settling()) << "the lost frame broke the settled stretch";
    frame(1, 100.2, 200);
    const std::vector<Json> done = m_sink.named("SettleDone");
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0]["Status"], 0);
    EXPECT_EQ(done[0]["DroppedFrames"], 1);
    EXPECT_EQ(done[0]["TotalFrames"], 5);
}

TEST_F(RemoteGuiding, GuideStepNamesTheAxesAndPixelsLikeTheProtocol)
{
    m_backend.m_cosA = 0.0; // reticle at 90 degrees: RA runs along the image's y
    m_backend.m_sinA = 1.0;
    startGuiding();
    frame(1, 101, 203);
    const Json step = m_sink.named("GuideStep").back();
    EXPECT_EQ(step["Frame"], 1);
    EXPECT_EQ(step["Mount"], "Mount");
    EXPECT_DOUBLE_EQ(step["dx"].get<double>(), 1.0);
    EXPECT_DOUBLE_EQ(step["dy"].get<double>(), 3.0);
    EXPECT_DOUBLE_EQ(step["RADistanceRaw"].get<double>(), 3.0);
    EXPECT_DOUBLE_EQ(step["DECDistanceRaw"].get<double>(), -1.0);
    EXPECT_EQ(step["RADuration"], 120);
    EXPECT_EQ(step["RADirection"], "East");
    EXPECT_EQ(step["DECDuration"], 80);
    EXPECT_EQ(step["DECDirection"], "North");
    EXPECT_EQ(step["StarMass"], 5000.0);
    EXPECT_EQ(step["SNR"], 40.0);
    EXPECT_EQ(step["HFD"], 2.5);
}

TEST_F(RemoteGuiding, DitherMovesTheLockWithinTheAmountAndSettlesAgain)
{
    startGuiding();
    for (int i = 0; i < 6; ++i)
        frame(1, 100, 200);
    ASSERT_FALSE(m_guider.settling());
    for (int round = 0; round < 50; ++round) {
        const ImagePoint before = m_backend.m_lock;
        ok("dither", R"({"amount":3,"raOnly":false,"settle":{"pixels":1.5,"time":1,"timeout":30}})");
        EXPECT_LE(std::abs(m_backend.m_lock.x - before.x), 3.0);
        EXPECT_LE(std::abs(m_backend.m_lock.y - before.y), 3.0);
        const Json dithered = m_sink.named("GuidingDithered").back();
        EXPECT_NEAR(dithered["dx"].get<double>(), m_backend.m_lock.x - before.x, 1e-9);
        EXPECT_NEAR(dithered["dy"].get<double>(), m_backend.m_lock.y - before.y, 1e-9);
        EXPECT_TRUE(m_guider.settling());
        frame(1, m_backend.m_lock.x, m_backend.m_lock.y);
        frame(1, m_backend.m_lock.x, m_backend.m_lock.y);
        EXPECT_FALSE(m_guider.settling());
    }
    EXPECT_EQ(m_sink.named("SettleDone").size(), 51u);
    // RA only, reticle at angle 0: the lock moves along x alone.
    const ImagePoint before = m_backend.m_lock;
    ok("dither", R"([5, true, {"pixels":1.5,"time":1,"timeout":30}])");
    EXPECT_EQ(m_backend.m_lock.y, before.y);
    EXPECT_NE(m_backend.m_lock.x, before.x);
}

TEST_F(RemoteGuiding, PausingStopsPulsesWhileGuideStepsGoOn)
{
    startGuiding();
    frame(1, 100, 200);
    EXPECT_TRUE(m_sink.named("GuideStep").back().contains("RADuration"));
    ok("set_paused", "[true]");
    EXPECT_FALSE(m_backend.m_pulsesEnabled);
    EXPECT_EQ(m_guider.appState(), "Paused");
    EXPECT_EQ(call("get_paused").result, true);
    frame(1, 100, 200);
    const Json paused = m_sink.named("GuideStep").back();
    EXPECT_EQ(paused["Frame"], 2);
    EXPECT_FALSE(paused.contains("RADuration"));
    EXPECT_FALSE(paused.contains("DECDuration"));
    ok("set_paused", R"([false])");
    EXPECT_TRUE(m_backend.m_pulsesEnabled);
    EXPECT_EQ(m_sink.named("Paused").size(), 1u);
    EXPECT_EQ(m_sink.named("Resumed").size(), 1u);
    ok("set_guide_output_enabled", "[false]");
    EXPECT_FALSE(m_backend.m_pulsesEnabled);
    EXPECT_EQ(call("get_guide_output_enabled").result, false);
}

TEST_F(RemoteGuiding, StopCaptureEndsGuidingSettlingAndLoopingInStopped)
{
    startGuiding();
    frame(1, 100, 200);
    ok("stop_capture");
    EXPECT_FALSE(m_backend.m_guiding);
    EXPECT_FALSE(m_backend.m_looping);
    const std::vector<Json> done = m_sink.named("SettleDone");
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0]["Status"], 1);
    EXPECT_EQ(done[0]["Error"], "guiding stopped");
    const std::vector<std::string> names = m_sink.names();
    ASSERT_GE(names.size(), 3u);
    EXPECT_EQ(names[names.size() - 3], "GuidingStopped");
    EXPECT_EQ(names[names.size() - 2], "LoopingExposuresStopped");
    EXPECT_EQ(m_sink.events.back()["Event"], "AppState");
    EXPECT_EQ(m_sink.events.back()["State"], "Stopped");
}

TEST_F(RemoteGuiding, GuideBeforeTheFirstFrameStartsOnIt)
{
    ok("set_connected", "[true]");
    ok("guide", R"({"settle":{"pixels":2,"time":0,"timeout":30},"recalibrate":true})");
    EXPECT_TRUE(m_backend.m_looping);
    EXPECT_FALSE(m_backend.m_guiding);
    frame(1, 100, 200);
    EXPECT_TRUE(m_backend.m_guiding);
    EXPECT_EQ(m_sink.named("StarSelected").size(), 1u);
    frame(1, 100, 200);
    ASSERT_EQ(m_sink.named("SettleDone").size(), 1u);
    EXPECT_EQ(m_sink.named("SettleDone")[0]["Status"], 0);
}

TEST_F(RemoteGuiding, WithoutAStarGuidingFailsInSettleDone)
{
    m_backend.m_star.reset();
    ok("set_connected", "[true]");
    ok("guide", R"({"settle":{"pixels":2,"time":1,"timeout":30}})");
    frame(1, 0, 0, false);
    EXPECT_FALSE(m_backend.m_guiding);
    ASSERT_EQ(m_sink.named("SettleDone").size(), 1u);
    EXPECT_EQ(m_sink.named("SettleDone")[0]["Error"], "could not find a guide star");
    m_backend.m_hasFrame = true;
    EXPECT_EQ(call("find_star").error->message, "could not find a guide star");
}

TEST_F(RemoteGuiding, MethodsAnswerWithResultsOrErrorsOfTheRightShape)
{
    EXPECT_EQ(call("get_app_state").result, "Stopped");
    EXPECT_EQ(call("get_connected").result, false);
    EXPECT_TRUE(call("get_lock_position").result.is_null());
    EXPECT_EQ(call("loop").error->code, rpc::kMethodFailed);
    EXPECT_EQ(call("dither", R"([3,false,{"pixels":1,"time":1,"timeout":9}])").error->message,
              "cannot dither if not guiding");
    EXPECT_EQ(call("guide", "[]").error->code, rpc::kInvalidParams);
    EXPECT_EQ(call("guide", R"({"settle":{"pixels":0,"time":1,"timeout":9}})").error->code,
              rpc::kInvalidParams);
    EXPECT_EQ(call("guide", R"({"settle":{"pixels":"1","time":1,"timeout":9}})").error->code,
              rpc::kInvalidParams);
    EXPECT_EQ(call("set_connected", R"(["yes"])").error->code, rpc::kInvalidParams);
    EXPECT_EQ(call("set_exposure", "[-5]").error->code, rpc::kInvalidParams);
    EXPECT_EQ(call("no_such").error->code, rpc::kMethodNotFound);
    EXPECT_EQ(call("save_image").error->message, "cannot save an image: no frame yet");
    m_backend.m_connectFails = true;
    EXPECT_NE(call("set_connected", "[true]").error->message.find("could not be created"), std::string::npos);
    m_backend.m_connectFails = false;

    ok("set_connected", R"({"connected":true})");
    EXPECT_EQ(call("get_connected").result, true);
    EXPECT_EQ(call("get_lock_position").result, Json::parse("[320.0,240.0]"));
    EXPECT_EQ(call("get_profiles").result,
              Json::parse(R"([{"id":1,"name":"VelmoraServer.Camera, VelmoraServer.Telescope"}])"));
    EXPECT_EQ(call("get_profile").result["id"], 1);
    ok("set_profile", "[1]");
    EXPECT_EQ(call("set_profile", "[2]").error->code, rpc::kMethodFailed);
    EXPECT_EQ(call("get_current_equipment").result["camera"],
              Json::parse(R"({"name":"VelmoraServer.Camera","connected":true})"));
    ok("set_exposure", "[2005]");
    EXPECT_EQ(call("get_exposure").result, 2000);
    EXPECT_TRUE(call("get_exposure_durations").result.is_array());
    EXPECT_DOUBLE_EQ(call("get_pixel_scale").result.get<double>(), 1.16);
    EXPECT_EQ(call("get_calibrated").result, true);
    EXPECT_EQ(call("find_star").error->code, rpc::kMethodFailed) << "no frame yet";
    ok("capture_single_frame", R"({"exposure":500})");
    EXPECT_EQ(m_backend.m_singleFrames, 1);
    EXPECT_EQ(call("get_camera_frame_size").result, Json::parse("[640,480]"));
    const Json saved = call("save_image").result;
    EXPECT_EQ(saved["filename"], m_backend.m_savedPath);
    EXPECT_NE(m_backend.m_savedPath.find(".fits"), std::string::npos);
    EXPECT_NE(call("save_image").result["filename"], saved["filename"]) << "each image its own file";
    EXPECT_EQ(call("find_star").result, Json::parse("[100.0,200.0]"));
    EXPECT_EQ(m_sink.named("StarSelected").back()["X"], 100.0);
    const Json image = call("get_star_image", "[16]").result;
    EXPECT_EQ(image["width"], 16);
    EXPECT_EQ(image["star_pos"], Json::parse("[8.0,8.0]"));
    EXPECT_EQ(image["pixels"].get<std::string>().substr(0, 8), "AgECAQIB") << "little-endian 0x0102";
    EXPECT_EQ(call("set_lock_position", "[700, 10]").error->message,
              "the lock position lies outside the frame");
    ok("set_lock_position", R"({"x":12.5,"y":20,"exact":true})");
    EXPECT_EQ(call("get_lock_position").result, Json::parse("[12.5,20.0]"));
    ok("loop");
    EXPECT_EQ(call("capture_single_frame").error->message,
              "cannot capture single frame when capture is currently active");
    EXPECT_EQ(call("get_settling").result, false);
    ok("shutdown");
    EXPECT_TRUE(m_backend.m_shutdownRequested);
    EXPECT_FALSE(m_backend.m_looping);
}

TEST_F(RemoteGuiding, ALockPlacedByTheClientIsKeptWhenGuidingStarts)
{
    ok("set_connected", "[true]");
    ok("loop");
    frame(1, 100, 200);
    ok("set_lock_position", "[110, 205]");
    ok("guide", R"({"settle":{"pixels":1,"time":1,"timeout":9}})");
    EXPECT_EQ(m_backend.m_lock.x, 110.0);
    EXPECT_EQ(m_backend.m_lock.y, 205.0);
    EXPECT_EQ(m_sink.named("LoopingExposures").size(), 1u);
}

TEST(SettleMonitor, OnlyAnUnbrokenStretchInsideTheTimeoutCounts)
{
    SettleMonitor settle({1.0, 3.0, 5.0}, 0.0);
    settle.addFrame(1, true, 0.5);
    settle.addFrame(2, true, 0.5);
    settle.addFrame(3, true, 1.0); // at the limit is outside
    settle.addFrame(4, true, 0.2);
    EXPECT_FALSE(settle.result(4.5));
    settle.addFrame(7, true, 0.2); // 3 s inside, but past the timeout
    ASSERT_TRUE(settle.result(7));
    EXPECT_FALSE(settle.result(7)->settled);
    EXPECT_EQ(settle.result(7)->totalFrames, 5);
}

} // namespace
} // namespace velmora::client::remote
