#include "client/guiding/loop_clock.h"

#include <thread>

namespace velmora::client {

void RealLoopClock::sleepFor(std::chrono::milliseconds duration)
{
    std::this_thread::sleep_for(duration);
}

} // namespace velmora::client
