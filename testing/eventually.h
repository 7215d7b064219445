#pragma once
// Polls a condition every 10 ms for up to 5 s, for tests that wait on another
// process or thread; true as soon as it holds.

#include <chrono>
#include <functional>
#include <thread>

namespace velmora::testing {

inline bool eventually(const std::function<bool()>& condition)
{
    for (int i = 0; i < 500; ++i) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}

} // namespace velmora::testing
