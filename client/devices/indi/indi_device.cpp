#include "client/devices/indi/indi_device.h"

namespace velmora::client::indi {

namespace {

constexpr const char* kConnection = "CONNECTION";

bool switchedOn(const PropertyCopy* connection)
{
    return connection && connection->switchOn("CONNECT") && connection->state != PropertyState::Busy;
}

} // namespace

IndiDevice::IndiDevice(const IndiProgId& id, const IndiDriverOptions& options)
    : m_name(id.device), m_connection(id.server, id.device, options.bounds)
{
    if (options.waitObserver)
        m_connection.mirror().setWaitObserver(options.waitObserver);
}

DriverError IndiDevice::attach(const std::vector<std::string>& keyProperties,
                               const std::function<DriverError()>& prepare)
{
    m_attached = false;
    if (!m_connection.ensureConnected())
        return DriverError::NotConnected;
    const std::string& device = m_name;
    DriverError error = waitFor(
        [&](const PropertyMirror::View& view) { return view.property(device, kConnection) != nullptr; },
        bounds().answer);
    if (error == DriverError::ExternalError)
        return DriverError::DeviceNotFound; // the server does not publish this device
    if (error != DriverError::None)
        return error;
    if (!deviceIsOn()) {
        m_connection.connectDevice(device);
        error = waitFor(
            [&](const PropertyMirror::View& view) {
                const PropertyCopy* connection = view.property(device, kConnection);
                return switchedOn(connection) || (connection && connection->state == PropertyState::Alert);
            },
            bounds().deviceConnect);
        if (error != DriverError::None)
            return error;
        if (!deviceIsOn())
            return DriverError::DeviceNotFound; // the driver could not reach its hardware
    }
    error = waitFor(
        [&](const PropertyMirror::View& view) {
            for (const std::string& name : keyProperties)
                if (!view.property(device, name))
                    return false;
            return true;
        },
        bounds().answer);
    if (error != DriverError::None)
        return error;
    if (prepare && (error = prepare()) != DriverError::None)
        return error;
    m_attached = true;
    return DriverError::None;
}

bool IndiDevice::deviceIsOn() const
{
    const std::optional<PropertyCopy> connection = property(kConnection);
    return connection && switchedOn(&*connection);
}

bool IndiDevice::isConnected() const
{
    return m_attached && m_connection.isConnected() && deviceIsOn();
}

std::optional<PropertyCopy> IndiDevice::property(const std::string& property) const
{
    return m_connection.mirror().property(m_name, property);
}

std::optional<double> IndiDevice::number(const std::string& property, const std::string& element) const
{
    const std::optional<PropertyCopy> copy = this->property(property);
    return copy ? copy->number(element) : std::nullopt;
}

DriverError IndiDevice::send(const std::string& property, const std::map<std::string, double>& values,
                             std::chrono::milliseconds expected)
{
    const std::optional<PropertyCopy> before = this->property(property);
    if (!before)
        return DriverError::NotSupported;
    {
        std::lock_guard guard(m_sentLock);
        m_sent[property] = {before->updates, std::chrono::steady_clock::now() + expected + bounds().answer};
    }
    if (m_connection.sendNumbers(m_name, property, values))
        return DriverError::None;
    std::lock_guard guard(m_sentLock);
    m_sent.erase(property);
    return DriverError::NotConnected;
}

DriverError IndiDevice::sendSwitch(const std::string& property, const std::string& element)
{
    if (!has(property))
        return DriverError::NotSupported;
    return m_connection.sendSwitch(m_name, property, element) ? DriverError::None : DriverError::NotConnected;
}

bool IndiDevice::isBusy(const std::string& property) const
{
    const std::optional<PropertyCopy> copy = this->property(property);
    if (!copy)
        return false;
    if (copy->state == PropertyState::Busy)
        return true;
    std::lock_guard guard(m_sentLock);
    auto it = m_sent.find(property);
    // Sent, and the device has not answered since (its answers may lag the send).
    return it != m_sent.end() && copy->updates == it->second.updatesAtSend &&
           std::chrono::steady_clock::now() < it->second.expiry;
}

DriverError IndiDevice::waitFor(const std::function<bool(const PropertyMirror::View&)>& condition,
                                std::chrono::milliseconds bound)
{
    switch (m_connection.mirror().waitUntil(condition, bound)) {
    case WaitOutcome::Satisfied:
        return DriverError::None;
    case WaitOutcome::TimedOut:
        return DriverError::ExternalError;
    case WaitOutcome::ServerLost:
        return DriverError::NotConnected;
    }
    return DriverError::ExternalError;
}

} // namespace velmora::client::indi
