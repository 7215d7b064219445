#pragma once
// The one polling helper of the tests: checks a condition every 10 ms until it holds
// or `limit` (5 s unless given) has passed. For conditions another process brings about,
// or a thread that offers no event to wait on; never a way to order threads.

#include <chrono>
#include <functional>
#include <thread>

namespace velmora::testing {

inline bool eventually(const std::function<bool()>& condition,
                       std::chrono::milliseconds limit = std::chrono::seconds(5))
{
    const auto giveUp = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= giveUp)
            return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

} // namespace velmora::testing
