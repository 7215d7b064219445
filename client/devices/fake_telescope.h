#pragma once
// Test support: an in-process telescope driver that records every PulseGuide call
// (argument types, values, calling thread) into a FakeTelescopeScript shared with the
// test. PulseGuide may be called from any thread.

#include "platform/automation/in_process_class.h"
#include "platform/automation/variant.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace velmora::client::fakes {

struct PulseCall {
    VARTYPE directionType = VT_EMPTY;
    VARTYPE durationType = VT_EMPTY;
    int direction = -1;
    int durationMs = -1;
    std::thread::id thread;
};

struct FakeTelescopeScript {
    mutable std::mutex lock;
    bool connected = false;
    std::vector<PulseCall> calls;
    int concurrentCalls = 0;
    int mostConcurrentCalls = 0;
    // Runs inside PulseGuide on the calling thread, without the lock held.
    std::function<void(const PulseCall&)> onPulse;

    std::vector<PulseCall> pulses() const
    {
        std::lock_guard guard(lock);
        return calls;
    }
};

std::unique_ptr<automation::InProcessClass> registerFakeTelescope(const std::string& progId,
                                                                  FakeTelescopeScript* script);

} // namespace velmora::client::fakes
