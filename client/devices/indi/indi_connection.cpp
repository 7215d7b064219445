#include "client/devices/indi/indi_connection.h"

#include <libindi/baseclient.h>
#include <libindi/basedevice.h>

namespace velmora::client::indi {

namespace {

PropertyState stateOf(IPState state)
{
    switch (state) {
    case IPS_OK:
        return PropertyState::Ok;
    case IPS_BUSY:
        return PropertyState::Busy;
    case IPS_ALERT:
        return PropertyState::Alert;
    default:
        return PropertyState::Idle;
    }
}

// Runs on libindi's listener thread: copies everything the adapters may read.
PropertyCopy copyOf(const INDI::Property& property)
{
    PropertyCopy copy;
    copy.state = stateOf(property.getState());
    switch (property.getType()) {
    case INDI_NUMBER:
        if (auto* numbers = property.getNumber())
            for (const auto& n : *numbers)
                copy.numbers[n.getName()] = {n.getValue(), n.getMin(), n.getMax()};
        break;
    case INDI_SWITCH:
        if (auto* switches = property.getSwitch())
            for (const auto& s : *switches)
                copy.switches[s.getName()] = s.getState() == ISS_ON;
        break;
    case INDI_TEXT:
        if (auto* texts = property.getText())
            for (const auto& t : *texts)
                copy.texts[t.getName()] = t.getText() ? t.getText() : "";
        break;
    case INDI_BLOB:
        if (auto* blobs = property.getBLOB())
            for (const auto& b : *blobs) {
                if (b.getBlobLen() <= 0 || !b.getBlob())
                    continue;
                const char* bytes = static_cast<const char*>(b.getBlob());
                copy.blob = std::make_shared<const std::vector<char>>(bytes, bytes + b.getBlobLen());
                copy.blobFormat = b.getFormat() ? b.getFormat() : "";
            }
        break;
    default:
        break;
    }
    return copy;
}

} // namespace

class IndiConnection::Client : public INDI::BaseClient {
public:
    explicit Client(PropertyMirror& mirror) : m_mirror(mirror) {}
    ~Client() override { disconnectServer(); }

protected:
    void newDevice(INDI::BaseDevice device) override { m_mirror.addDevice(device.getDeviceName()); }
    void removeDevice(INDI::BaseDevice device) override { m_mirror.removeDevice(device.getDeviceName()); }
    void newProperty(INDI::Property property) override { record(property); }
    void updateProperty(INDI::Property property) override { record(property); }
    void removeProperty(INDI::Property property) override
    {
        m_mirror.removeProperty(property.getDeviceName(), property.getName());
    }
    void serverConnected() override { m_mirror.serverConnected(); }
    void serverDisconnected(int) override { m_mirror.serverLost(); }

private:
    void record(const INDI::Property& property)
    {
        if (property.getDeviceName() && property.getName())
            m_mirror.update(property.getDeviceName(), property.getName(), copyOf(property));
    }

    PropertyMirror& m_mirror;
};

IndiConnection::IndiConnection(IndiServerAddress server, std::string device, IndiBounds bounds)
    : m_server(std::move(server)), m_device(std::move(device)), m_bounds(bounds)
{
}

IndiConnection::~IndiConnection() = default;

bool IndiConnection::ensureConnected()
{
    std::lock_guard guard(m_clientLock);
    if (m_client && m_client->isServerConnected() && m_mirror.isServerConnected())
        return true;
    // A fresh client each time: libindi keeps the devices of a lost connection.
    m_client.reset();
    auto client = std::make_unique<Client>(m_mirror);
    client->setServer(m_server.host.c_str(), m_server.port);
    const auto connectMs = m_bounds.connect.count();
    client->setConnectionTimeout(static_cast<uint32_t>(connectMs / 1000),
                                 static_cast<uint32_t>(connectMs % 1000) * 1000);
    if (!m_device.empty())
        client->watchDevice(m_device.c_str());
    if (!client->connectServer())
        return false;
    m_client = std::move(client);
    return true;
}

// Under m_clientLock: libindi's own copy of the property, invalid when the server or
// the device is gone or does not publish it.
INDI::Property IndiConnection::publishedProperty(const std::string& device, const std::string& property)
{
    if (!m_client || !m_mirror.isServerConnected())
        return INDI::Property();
    INDI::BaseDevice published = m_client->getDevice(device.c_str());
    if (!published.isValid())
        return INDI::Property();
    return published.getProperty(property.c_str());
}

bool IndiConnection::sendNumbers(const std::string& device, const std::string& property,
                                 const std::map<std::string, double>& values)
{
    std::lock_guard guard(m_clientLock);
    INDI::PropertyNumber numbers = publishedProperty(device, property);
    if (!numbers.isValid())
        return false;
    for (const auto& [element, value] : values) {
        auto* widget = numbers.findWidgetByName(element.c_str());
        if (!widget)
            return false;
        widget->setValue(value);
    }
    m_client->sendNewNumber(numbers);
    return true;
}

bool IndiConnection::sendSwitch(const std::string& device, const std::string& property,
                                const std::string& element)
{
    std::lock_guard guard(m_clientLock);
    INDI::PropertySwitch switches = publishedProperty(device, property);
    auto* chosen = switches.isValid() ? switches.findWidgetByName(element.c_str()) : nullptr;
    if (!chosen)
        return false;
    // One of many: the others go off in the same message, or the driver refuses it.
    if (switches.getRule() != ISR_NOFMANY)
        switches.reset();
    chosen->setState(ISS_ON);
    m_client->sendNewSwitch(switches);
    return true;
}

void IndiConnection::connectDevice(const std::string& device)
{
    std::lock_guard guard(m_clientLock);
    if (!m_client || !m_mirror.isServerConnected())
        return;
    m_client->connectDevice(device.c_str());
}

void IndiConnection::receiveBlobs(const std::string& device)
{
    std::lock_guard guard(m_clientLock);
    if (!m_client || !m_mirror.isServerConnected())
        return;
    m_client->setBLOBMode(B_ALSO, device.c_str(), nullptr);
}

} // namespace velmora::client::indi
