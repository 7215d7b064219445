#include "client/devices/indi/property_mirror.h"

namespace velmora::client::indi {

std::optional<double> PropertyCopy::number(const std::string& element) const
{
    auto it = numbers.find(element);
    if (it == numbers.end())
        return std::nullopt;
    return it->second.value;
}

bool PropertyCopy::switchOn(const std::string& element) const
{
    auto it = switches.find(element);
    return it != switches.end() && it->second;
}

std::string PropertyCopy::text(const std::string& element) const
{
    auto it = texts.find(element);
    return it == texts.end() ? std::string() : it->second;
}

const PropertyCopy* PropertyMirror::View::property(const std::string& device, const std::string& name) const
{
    return m_mirror.findLocked(device, name);
}

bool PropertyMirror::View::hasDevice(const std::string& device) const
{
    return m_mirror.m_devices.count(device) != 0;
}

std::vector<std::string> PropertyMirror::View::devices() const
{
    std::vector<std::string> names;
    for (const auto& [name, device] : m_mirror.m_devices)
        names.push_back(name);
    return names;
}

std::uint64_t PropertyMirror::View::changes() const
{
    return m_mirror.m_changes;
}

void PropertyMirror::serverConnected()
{
    std::lock_guard guard(m_lock);
    m_serverConnected = true;
    ++m_connections;
    changed();
}

void PropertyMirror::serverLost()
{
    std::lock_guard guard(m_lock);
    m_serverConnected = false;
    // What the server had published is gone with it: devices read as absent.
    m_devices.clear();
    changed();
}

void PropertyMirror::addDevice(const std::string& device)
{
    std::lock_guard guard(m_lock);
    m_devices[device];
    changed();
}

void PropertyMirror::removeDevice(const std::string& device)
{
    std::lock_guard guard(m_lock);
    m_devices.erase(device);
    changed();
}

void PropertyMirror::update(const std::string& device, const std::string& name, PropertyCopy copy)
{
    std::lock_guard guard(m_lock);
    PropertyCopy& slot = m_devices[device].properties[name];
    copy.updates = slot.updates + 1;
    copy.blobsReceived = slot.blobsReceived + (copy.blob ? 1 : 0);
    if (!copy.blob && slot.blob) {
        // A state-only change of a BLOB property keeps the last image.
        copy.blob = slot.blob;
        copy.blobFormat = slot.blobFormat;
    }
    slot = std::move(copy);
    changed();
}

void PropertyMirror::removeProperty(const std::string& device, const std::string& name)
{
    std::lock_guard guard(m_lock);
    auto it = m_devices.find(device);
    if (it != m_devices.end())
        it->second.properties.erase(name);
    changed();
}

bool PropertyMirror::isServerConnected() const
{
    std::lock_guard guard(m_lock);
    return m_serverConnected;
}

bool PropertyMirror::hasDevice(const std::string& device) const
{
    std::lock_guard guard(m_lock);
    return m_devices.count(device) != 0;
}

std::vector<std::string> PropertyMirror::devices() const
{
    std::lock_guard guard(m_lock);
    return View(*this).devices();
}

std::optional<PropertyCopy> PropertyMirror::property(const std::string& device, const std::string& name) const
{
    std::lock_guard guard(m_lock);
    const PropertyCopy* found = findLocked(device, name);
    if (!found)
        return std::nullopt;
    return *found;
}

void PropertyMirror::read(const std::function<void(const View&)>& reader) const
{
    std::lock_guard guard(m_lock);
    reader(View(*this));
}

WaitOutcome PropertyMirror::waitUntil(const std::function<bool(const View&)>& condition,
                                      std::chrono::milliseconds bound)
{
    const Clock::time_point deadline = Clock::now() + bound;
    std::function<void()> observer;
    std::uint64_t connection = 0;
    {
        std::lock_guard guard(m_lock);
        observer = m_waitObserver;
        connection = m_connections; // the wait belongs to the connection of its start
    }
    if (observer)
        observer();
    std::unique_lock guard(m_lock);
    const View view(*this);
    for (;;) {
        if (condition(view))
            return WaitOutcome::Satisfied;
        if (!m_serverConnected || m_connections != connection)
            return WaitOutcome::ServerLost;
        if (m_changed.wait_until(guard, deadline) == std::cv_status::timeout)
            return condition(view) ? WaitOutcome::Satisfied : WaitOutcome::TimedOut;
    }
}

void PropertyMirror::setWaitObserver(std::function<void()> observer)
{
    std::lock_guard guard(m_lock);
    m_waitObserver = std::move(observer);
}

const PropertyCopy* PropertyMirror::findLocked(const std::string& device, const std::string& name) const
{
    auto d = m_devices.find(device);
    if (d == m_devices.end())
        return nullptr;
    auto p = d->second.properties.find(name);
    return p == d->second.properties.end() ? nullptr : &p->second;
}

void PropertyMirror::changed()
{
    ++m_changes;
    m_changed.notify_all();
}

} // namespace velmora::client::indi
