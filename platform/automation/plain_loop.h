#pragma once
// PlainLoop: an Executor over poll(2), for tests and small programs. A callback that
// throws is reported on stderr and the loop goes on.

#include "platform/automation/executor.h"

#include <chrono>
#include <deque>
#include <map>
#include <memory>
#include <mutex>

namespace velmora::automation {

class PlainLoop : public Executor {
public:
    PlainLoop();
    ~PlainLoop() override;
    PlainLoop(const PlainLoop&) = delete;
    PlainLoop& operator=(const PlainLoop&) = delete;

    void watch(int fd, std::function<void()> onReadable) override;
    void unwatch(int fd) override;
    void post(std::function<void()> task) override;
    void postDelayed(std::chrono::milliseconds delay, std::function<void()> task) override;

    // Runs until quit() (from any thread, or from a callback).
    void run();
    void quit();
    // A nested loop: serves callbacks until done() is true or the timeout passes;
    // returns done(). A quit() during it ends the outer run() too.
    bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
    // One round: waits up to `timeout` for something to do and does it.
    void runOnce(std::chrono::milliseconds timeout);

private:
    struct Watch {
        std::shared_ptr<std::function<void()>> callback;
    };
    void wake();
    bool quitRequested();
    // Runs the first timer that is due; false when none is.
    bool runDueTimer();
    // How long poll may wait: `timeout`, shortened to the next timer.
    int pollTimeout(std::chrono::milliseconds timeout) const;

    int m_wakeFd = -1;
    std::map<int, Watch> m_watches;
    std::mutex m_mutex; // guards m_tasks and m_quit
    std::deque<std::function<void()>> m_tasks;
    bool m_quit = false;
    std::multimap<std::chrono::steady_clock::time_point, std::function<void()>> m_timers; // loop thread only
};

} // namespace velmora::automation
