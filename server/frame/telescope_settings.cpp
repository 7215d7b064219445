#include "server/frame/telescope_settings.h"

#include "server/frame/settings_reader.h"
#include "server/frame/settings_writer.h"

namespace velmora::server {

namespace {

// The table once, in the order the driver saves it.
template <class Settings, class Visitor> void visitTelescope(Settings& s, Visitor& v)
{
    v.text("Config", "Port", s.port);
    v.text("Config", "Port Speed", s.portSpeed);
    v.number("Config", "Ver Backlash", s.verBacklashMs);
    v.number("Config", "Hor Backlash", s.horBacklashMs);
    v.flag("Config", "Use Relay", s.useRelay);
    v.flag("Config", "Invert Polarity", s.invertPolarity);
    v.scaled("Telescope", "Diameter", s.diameter, 1000);
    v.scaled("Telescope", "Focal", s.focal, 1000);
    v.text("Telescope", "Barlow", s.barlow);
    const char* const directions[] = {"North", "South", "East", "West"};
    for (std::size_t d = 0; d < 4; ++d)
        v.word("Bits", directions[d], s.directionWords[d]);
}

} // namespace

void TelescopeSettings::load(DeviceSettings& store, const std::string& profile)
{
    store.setCurrent(kTelescopeDriverName, profile);
    *this = TelescopeSettings{};
    SettingsReader reader(store);
    visitTelescope(*this, reader);
}

bool TelescopeSettings::save(DeviceSettings& store, const std::string& profile) const
{
    store.setCurrent(kTelescopeDriverName, profile);
    SettingsWriter writer(store);
    visitTelescope(*this, writer);
    return writer.allWritten();
}

} // namespace velmora::server
