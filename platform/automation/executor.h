#pragma once
// The event loop a local server's calls run on. The server program runs it on its
// main thread (a Qt event loop through QtExecutor); tests use PlainLoop. Every
// incoming call of the transport is read and executed from this loop, one at a time
// and in arrival order; a nested loop run by a call (a modal dialog) keeps serving.

#include <chrono>
#include <functional>

namespace velmora::automation {

class Executor {
public:
    virtual ~Executor() = default;

    // Calls onReadable on the loop's thread whenever fd is readable, until unwatch.
    // Only from the loop's thread.
    virtual void watch(int fd, std::function<void()> onReadable) = 0;
    // Stops watching; safe from inside that fd's own callback.
    virtual void unwatch(int fd) = 0;
    // Runs task on the loop's thread soon; from any thread.
    virtual void post(std::function<void()> task) = 0;
    // Runs task on the loop's thread once `delay` has passed; only from the loop's thread.
    virtual void postDelayed(std::chrono::milliseconds delay, std::function<void()> task) = 0;
};

} // namespace velmora::automation
