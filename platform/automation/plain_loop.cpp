#include "platform/automation/plain_loop.h"

#include "platform/automation/exception_guard.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <vector>

namespace velmora::automation {

PlainLoop::PlainLoop() : m_wakeFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

PlainLoop::~PlainLoop()
{
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

void PlainLoop::watch(int fd, std::function<void()> onReadable)
{
    m_watches[fd] = Watch{std::make_shared<std::function<void()>>(std::move(onReadable))};
}

void PlainLoop::unwatch(int fd)
{
    m_watches.erase(fd);
}

void PlainLoop::post(std::function<void()> task)
{
    {
        std::lock_guard lock(m_mutex);
        m_tasks.push_back(std::move(task));
    }
    wake();
}

void PlainLoop::postDelayed(std::chrono::milliseconds delay, std::function<void()> task)
{
    m_timers.emplace(std::chrono::steady_clock::now() + delay, std::move(task));
}

bool PlainLoop::runDueTimer()
{
    if (m_timers.empty() || m_timers.begin()->first > std::chrono::steady_clock::now())
        return false;
    std::function<void()> task = std::move(m_timers.begin()->second);
    m_timers.erase(m_timers.begin());
    runGuarded("loop: timer", task);
    return true;
}

int PlainLoop::pollTimeout(std::chrono::milliseconds timeout) const
{
    if (m_timers.empty())
        return static_cast<int>(timeout.count());
    const auto untilTimer = std::chrono::ceil<std::chrono::milliseconds>(m_timers.begin()->first -
                                                                         std::chrono::steady_clock::now());
    const auto wait = std::max(untilTimer, std::chrono::milliseconds(0));
    return static_cast<int>(timeout.count() < 0 ? wait.count() : std::min(wait, timeout).count());
}

void PlainLoop::wake()
{
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(m_wakeFd, &one, sizeof one);
}

void PlainLoop::quit()
{
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    wake();
}

bool PlainLoop::quitRequested()
{
    std::lock_guard lock(m_mutex);
    return m_quit;
}

void PlainLoop::run()
{
    while (!quitRequested())
        runOnce(std::chrono::milliseconds(-1));
    std::lock_guard lock(m_mutex);
    m_quit = false;
}

bool PlainLoop::runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done() && !quitRequested()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        runOnce(left);
    }
    return done();
}

void PlainLoop::runOnce(std::chrono::milliseconds timeout)
{
    {
        std::unique_lock lock(m_mutex);
        if (!m_tasks.empty()) {
            std::function<void()> task = std::move(m_tasks.front());
            m_tasks.pop_front();
            lock.unlock();
            runGuarded("loop: posted task", task);
            return;
        }
    }
    if (runDueTimer())
        return;
    std::vector<pollfd> fds;
    fds.push_back({m_wakeFd, POLLIN, 0});
    for (const auto& [fd, w] : m_watches)
        fds.push_back({fd, POLLIN, 0});
    const int n = ::poll(fds.data(), fds.size(), pollTimeout(timeout));
    if (n <= 0)
        return;
    if (fds[0].revents) {
        std::uint64_t count = 0;
        [[maybe_unused]] ssize_t r = ::read(m_wakeFd, &count, sizeof count);
    }
    for (std::size_t i = 1; i < fds.size(); ++i) {
        if (!fds[i].revents)
            continue;
        // The watch may have gone (or been replaced) in an earlier callback of this round.
        const auto it = m_watches.find(fds[i].fd);
        if (it == m_watches.end())
            continue;
        const auto callback = it->second.callback;
        runGuarded("loop: watched descriptor", *callback);
    }
}

} // namespace velmora::automation
