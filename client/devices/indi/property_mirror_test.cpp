#include "client/devices/indi/property_mirror.h"

#include <gtest/gtest.h>

#include <thread>

namespace velmora::client::indi {
namespace {

using namespace std::chrono_literals;

PropertyCopy numbers(PropertyState state, double value)
{
    PropertyCopy copy;
    copy.state = state;
    copy.numbers["N"] = {value, 0, 10};
    return copy;
}

TEST(PropertyMirror, CountsChangesKeepsTheLastBlobAndForgetsEverythingWhenTheServerGoes)
{
    PropertyMirror mirror;
    mirror.serverConnected();
    mirror.addDevice("D");
    mirror.update("D", "P", numbers(PropertyState::Busy, 1));
    mirror.update("D", "P", numbers(PropertyState::Ok, 2));
    auto p = mirror.property("D", "P");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->updates, 2u);
    EXPECT_EQ(p->number("N"), 2.0);
    EXPECT_FALSE(p->number("M"));
    EXPECT_EQ(p->state, PropertyState::Ok);

    PropertyCopy image;
    image.blob = std::make_shared<const std::vector<char>>(std::vector<char>{1, 2, 3});
    image.blobFormat = ".fits";
    mirror.update("D", "CCD1", image);
    PropertyCopy stateOnly;
    stateOnly.state = PropertyState::Busy;
    mirror.update("D", "CCD1", stateOnly);
    auto blob = mirror.property("D", "CCD1");
    EXPECT_EQ(blob->blobsReceived, 1u);
    ASSERT_TRUE(blob->blob);
    EXPECT_EQ(blob->blob->size(), 3u);
    EXPECT_EQ(blob->blobFormat, ".fits");

    mirror.removeProperty("D", "P");
    EXPECT_FALSE(mirror.property("D", "P"));
    EXPECT_TRUE(mirror.hasDevice("D"));
    mirror.serverLost();
    EXPECT_FALSE(mirror.isServerConnected());
    EXPECT_FALSE(mirror.hasDevice("D"));
    EXPECT_TRUE(mirror.devices().empty());
}

TEST(PropertyMirror, AWaitEndsWhenTheConditionHoldsTheServerGoesOrTheBoundPasses)
{
    PropertyMirror mirror;
    auto present = [](const PropertyMirror::View& v) { return v.property("D", "P") != nullptr; };
    // Never connected: a wait that cannot be satisfied ends at once.
    EXPECT_EQ(mirror.waitUntil(present, 10s), WaitOutcome::ServerLost);

    mirror.serverConnected();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(mirror.waitUntil(present, 50ms), WaitOutcome::TimedOut);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 50ms);

    // Another thread's change wakes the waiter; the observer tells when it waits.
    std::thread listener;
    mirror.setWaitObserver(
        [&] { listener = std::thread([&] { mirror.update("D", "P", numbers(PropertyState::Ok, 1)); }); });
    EXPECT_EQ(mirror.waitUntil(present, 10s), WaitOutcome::Satisfied);
    listener.join();

    mirror.setWaitObserver([&] { listener = std::thread([&] { mirror.serverLost(); }); });
    EXPECT_EQ(
        mirror.waitUntil([](const PropertyMirror::View& v) { return v.property("D", "Q") != nullptr; }, 10s),
        WaitOutcome::ServerLost);
    listener.join();

    // A reconnection in between ends the waits of the lost connection too.
    mirror.serverConnected();
    mirror.setWaitObserver([&] {
        listener = std::thread([&] {
            mirror.serverLost();
            mirror.serverConnected();
        });
    });
    EXPECT_EQ(
        mirror.waitUntil([](const PropertyMirror::View& v) { return v.property("D", "Q") != nullptr; }, 10s),
        WaitOutcome::ServerLost);
    listener.join();
}

} // namespace
} // namespace velmora::client::indi
