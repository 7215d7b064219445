#pragma once
// What the three INDI adapters share: the connection to the device's indiserver,
// attaching to the device (the automation "Connected"/"Link"), reading the mirrored
// properties, sending changes, and telling when a change the client sent is still
// being carried out.

#include "client/devices/indi/indi_connection.h"
#include "client/devices/indi/indi_prog_id.h"
#include "server/frame/driver_error.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace velmora::client::indi {

using server::DriverError;

struct IndiDriverOptions {
    IndiBounds bounds;
    // Test hook: runs each time a call starts waiting for the server.
    std::function<void()> waitObserver;
};

class IndiDevice {
public:
    IndiDevice(const IndiProgId& id, const IndiDriverOptions& options);

    const std::string& name() const { return m_name; }
    IndiConnection& connection() { return m_connection; }
    const IndiBounds& bounds() const { return m_connection.bounds(); }

    // Connects to the server (again, after it went away), waits for the device,
    // switches it on unless it is on already, waits for `keyProperties` (those its
    // members need, defined once the device is on), then runs `prepare`.
    DriverError attach(const std::vector<std::string>& keyProperties,
                       const std::function<DriverError()>& prepare = {});
    // Only this client lets go: other INDI clients keep using the device.
    void detach() { m_attached = false; }
    bool isConnected() const;
    DriverError requireConnected() const
    {
        return isConnected() ? DriverError::None : DriverError::NotConnected;
    }

    std::optional<PropertyCopy> property(const std::string& property) const;
    std::optional<double> number(const std::string& property, const std::string& element) const;
    bool has(const std::string& name) const { return property(name).has_value(); }

    // Sends and remembers the send, so that isBusy() holds until the device answers
    // with a state other than Busy, or `expected` plus the answer bound has passed.
    DriverError send(const std::string& property, const std::map<std::string, double>& values,
                     std::chrono::milliseconds expected = {});
    DriverError sendSwitch(const std::string& property, const std::string& element);
    bool isBusy(const std::string& property) const;

    // Waits until `condition` holds; the failure of a wait that does not end so.
    DriverError waitFor(const std::function<bool(const PropertyMirror::View&)>& condition,
                        std::chrono::milliseconds bound);

private:
    struct SentChange {
        std::uint64_t updatesAtSend = 0;
        std::chrono::steady_clock::time_point expiry;
    };
    bool deviceIsOn() const;

    std::string m_name;
    IndiConnection m_connection;
    std::atomic<bool> m_attached{false};
    mutable std::mutex m_sentLock;
    std::map<std::string, SentChange> m_sent;
};

} // namespace velmora::client::indi
