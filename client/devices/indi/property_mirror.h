#pragma once
// A copy of the INDI properties one connection has seen, kept for the client's
// threads. libindi delivers every change on its own listener thread; that thread
// only writes copies in here, under the lock, and wakes whoever waits. The
// adapters' members read copies and wait here with a bound, so no client thread
// ever touches libindi's own property objects while the listener changes them.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace velmora::client::indi {

enum class PropertyState { Idle, Ok, Busy, Alert };

struct NumberElement {
    double value = 0;
    double min = 0;
    double max = 0;
};

struct PropertyCopy {
    PropertyState state = PropertyState::Idle;
    std::map<std::string, NumberElement> numbers;
    std::map<std::string, bool> switches;
    std::map<std::string, std::string> texts;
    // The last BLOB element's bytes and format (".fits", ...), shared, never changed.
    std::shared_ptr<const std::vector<char>> blob;
    std::string blobFormat;
    // How many times the property was defined or changed, and how many of those
    // changes brought BLOB data, counted by the mirror.
    std::uint64_t updates = 0;
    std::uint64_t blobsReceived = 0;

    std::optional<double> number(const std::string& element) const;
    bool switchOn(const std::string& element) const;
    std::string text(const std::string& element) const;
};

enum class WaitOutcome { Satisfied, TimedOut, ServerLost };

class PropertyMirror {
public:
    using Clock = std::chrono::steady_clock;
    // Evaluated under the lock; it may read through `view` only.
    class View {
    public:
        const PropertyCopy* property(const std::string& device, const std::string& name) const;
        bool hasDevice(const std::string& device) const;
        std::vector<std::string> devices() const;
        // Counts every change the mirror has seen.
        std::uint64_t changes() const;

    private:
        friend class PropertyMirror;
        explicit View(const PropertyMirror& mirror) : m_mirror(mirror) {}
        const PropertyMirror& m_mirror;
    };

    // Listener side.
    void serverConnected();
    void serverLost();
    void addDevice(const std::string& device);
    void removeDevice(const std::string& device);
    // A new or changed property: `copy.updates` is set from the previous count.
    void update(const std::string& device, const std::string& name, PropertyCopy copy);
    void removeProperty(const std::string& device, const std::string& name);

    // Client side.
    bool isServerConnected() const;
    bool hasDevice(const std::string& device) const;
    std::vector<std::string> devices() const;
    std::optional<PropertyCopy> property(const std::string& device, const std::string& name) const;
    // Runs `reader` under the lock.
    void read(const std::function<void(const View&)>& reader) const;
    // Waits until `condition` holds, the server connection is lost, or `bound` passes.
    // A condition that already holds is Satisfied even while the server is gone.
    WaitOutcome waitUntil(const std::function<bool(const View&)>& condition, std::chrono::milliseconds bound);

    // Called (without the lock) each time a client thread starts to wait, so a test
    // can act while a call is known to be waiting.
    void setWaitObserver(std::function<void()> observer);

private:
    struct Device {
        std::map<std::string, PropertyCopy> properties;
    };
    const PropertyCopy* findLocked(const std::string& device, const std::string& name) const;
    void changed(); // under the lock: wake the waiters

    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_serverConnected = false;
    std::uint64_t m_connections = 0; // a new connection ends the waits of the last one
    std::uint64_t m_changes = 0;
    std::map<std::string, Device> m_devices;
    std::function<void()> m_waitObserver;
};

} // namespace velmora::client::indi
