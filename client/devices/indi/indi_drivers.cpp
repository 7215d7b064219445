#include "client/devices/indi/indi_drivers.h"

#include "client/devices/indi/indi_adapters.h"
#include "client/devices/indi/indi_connection.h"

#include <algorithm>
#include <charconv>

namespace velmora::client::indi {

namespace {

// DRIVER_INTERFACE bits of libindi's BaseDevice.
constexpr unsigned kTelescopeInterface = 1u << 0;
constexpr unsigned kCcdInterface = 1u << 1;
constexpr unsigned kGuiderInterface = 1u << 2;
constexpr unsigned kFocuserInterface = 1u << 3;

// How long the server must stay quiet before the announcements count as complete.
constexpr std::chrono::milliseconds kQuietPeriod{300};

unsigned interfacesOf(const PropertyCopy& info)
{
    const std::string text = info.text("DRIVER_INTERFACE");
    unsigned value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

bool offers(IndiDeviceType type, unsigned interfaces)
{
    switch (type) {
    case IndiDeviceType::Camera:
        return (interfaces & kCcdInterface) != 0;
    case IndiDeviceType::Telescope:
        // A camera's guide port guides as a mount does.
        return (interfaces & (kTelescopeInterface | kGuiderInterface)) != 0;
    case IndiDeviceType::Focuser:
        return (interfaces & kFocuserInterface) != 0;
    }
    return false;
}

bool everyDeviceDescribed(const PropertyMirror::View& view)
{
    const std::vector<std::string> names = view.devices();
    return std::all_of(names.begin(), names.end(), [&](const std::string& name) {
        return view.property(name, "DRIVER_INFO") != nullptr;
    });
}

// Waits until the server has announced its devices: no change for a quiet period with
// every device described, or the bound.
void awaitAnnouncements(PropertyMirror& mirror, std::chrono::milliseconds bound)
{
    const auto deadline = std::chrono::steady_clock::now() + bound;
    for (;;) {
        std::uint64_t seen = 0;
        bool complete = false;
        mirror.read([&](const PropertyMirror::View& view) {
            seen = view.changes();
            complete = !view.devices().empty() && everyDeviceDescribed(view);
        });
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left <= std::chrono::milliseconds(0))
            return;
        const WaitOutcome quiet =
            mirror.waitUntil([&](const PropertyMirror::View& view) { return view.changes() != seen; },
                             std::min(kQuietPeriod, left));
        if (quiet == WaitOutcome::ServerLost || (quiet == WaitOutcome::TimedOut && complete))
            return;
    }
}

} // namespace

HRESULT createIndiDriver(const std::string& progId, automation::ComPtr<IDispatch>& driver,
                         const IndiDriverOptions& options)
{
    const std::optional<IndiProgId> id = parseIndiProgId(progId);
    if (!id)
        return CO_E_CLASSSTRING;
    switch (id->type) {
    case IndiDeviceType::Camera:
        driver = createIndiCamera(*id, options);
        break;
    case IndiDeviceType::Telescope:
        driver = createIndiTelescope(*id, options);
        break;
    case IndiDeviceType::Focuser:
        driver = createIndiFocuser(*id, options);
        break;
    }
    return S_OK;
}

std::vector<AnnouncedDevice> announcedDevices(IndiDeviceType type, const IndiServerAddress& server,
                                              const IndiBounds& bounds)
{
    std::vector<AnnouncedDevice> found;
    IndiConnection connection(server, {}, bounds);
    if (!connection.ensureConnected())
        return found;
    awaitAnnouncements(connection.mirror(), bounds.answer);
    for (const std::string& name : connection.mirror().devices()) {
        const std::optional<PropertyCopy> info = connection.mirror().property(name, "DRIVER_INFO");
        if (!info || !offers(type, interfacesOf(*info)))
            continue;
        const std::string address = server.host + ":" + std::to_string(server.port);
        found.push_back({formatIndiProgId({type, name, server}), name + " (INDI, " + address + ")"});
    }
    return found;
}

} // namespace velmora::client::indi
