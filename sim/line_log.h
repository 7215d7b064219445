#pragma once
// Eight output lines with a time-stamped record of their changes: the simulated
// parallel data register and the relay box outputs, read back by the simulated sky
// and mount to learn when an exposure or a guide pulse started and ended.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

namespace velmora::sim {

struct LineChange {
    std::chrono::steady_clock::time_point time;
    std::uint8_t before = 0;
    std::uint8_t after = 0;
};

class LineLog {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    // Oldest changes are forgotten beyond this many.
    static constexpr std::size_t kCapacity = 4096;

    explicit LineLog(std::uint8_t initial = 0, Clock clock = {});

    // Records a change when `value` differs from the present lines.
    void set(std::uint8_t value);
    std::uint8_t value() const;
    // Oldest first.
    std::vector<LineChange> changes() const;
    // The lines as they were at `time`, as far back as the record reaches (earlier
    // times give the oldest known state).
    std::uint8_t valueAt(std::chrono::steady_clock::time_point time) const;
    std::size_t changeCount() const;
    void clearChanges();
    // Waits until `holds` is true of the lines (checked now and at every change);
    // false after `limit`. For tests that wait for what another thread or process
    // does to the lines.
    bool waitFor(const std::function<bool(std::uint8_t lines)>& holds, std::chrono::milliseconds limit) const;

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    Clock m_clock;
    std::uint8_t m_value;
    std::deque<LineChange> m_changes;
    std::size_t m_changeCount = 0;
};

} // namespace velmora::sim
