#pragma once
// One client connection to an indiserver through libindi's client library. What the
// server publishes is copied into a PropertyMirror; what the adapters change is sent
// through here. Every wait is bounded: a server that is not running fails at once,
// one that never answers fails when the bound passes.

#include "client/devices/indi/indi_prog_id.h"
#include "client/devices/indi/property_mirror.h"

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace INDI {
class Property;
}

namespace velmora::client::indi {

// How long a connection attempt, and a call waiting for the server's answer, may take.
struct IndiBounds {
    std::chrono::milliseconds connect{3000};
    std::chrono::milliseconds answer{5000};
    // How long a device may take to connect its hardware.
    std::chrono::milliseconds deviceConnect{15000};
};

class IndiConnection {
public:
    // Watches only `device` when it is not empty (the server sends nothing else).
    IndiConnection(IndiServerAddress server, std::string device, IndiBounds bounds = {});
    ~IndiConnection();
    IndiConnection(const IndiConnection&) = delete;
    IndiConnection& operator=(const IndiConnection&) = delete;

    const IndiServerAddress& server() const { return m_server; }
    const IndiBounds& bounds() const { return m_bounds; }
    PropertyMirror& mirror() { return m_mirror; }
    const PropertyMirror& mirror() const { return m_mirror; }

    // Connects when not connected (again after the server went away).
    bool ensureConnected();
    bool isConnected() const { return m_mirror.isServerConnected(); }

    // Each returns false when the property is not published or the server is gone.
    bool sendNumbers(const std::string& device, const std::string& property,
                     const std::map<std::string, double>& values);
    bool sendSwitch(const std::string& device, const std::string& property, const std::string& element);
    void connectDevice(const std::string& device);
    // Asks for the device's BLOBs along with its other properties.
    void receiveBlobs(const std::string& device);

private:
    class Client;
    INDI::Property publishedProperty(const std::string& device, const std::string& property);
    IndiServerAddress m_server;
    std::string m_device;
    IndiBounds m_bounds;
    PropertyMirror m_mirror; // outlives m_client, whose listener writes into it
    // Guards m_client: the guiding worker sends pulses while the main thread may
    // reconnect, and libindi's sending side is not meant for several threads at once.
    std::mutex m_clientLock;
    std::unique_ptr<Client> m_client;
};

} // namespace velmora::client::indi
