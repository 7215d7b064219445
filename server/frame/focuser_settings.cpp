#include "server/frame/focuser_settings.h"

#include "server/frame/settings_reader.h"
#include "server/frame/settings_writer.h"

#include <cstdio>

namespace velmora::server {

namespace {

std::string indexed(const char* format, int index)
{
    char name[32];
    std::snprintf(name, sizeof name, format, index);
    return name;
}

// The table once, in the order the driver saves it.
template <class Settings, class Visitor> void visitFocuser(Settings& s, Visitor& v)
{
    v.text("Common", "Port", s.port);
    v.text("Common", "Port Speed", s.portSpeed);
    v.number("Common", "Cursor Speed", s.cursorSpeed);
    v.scaled("Common", "Step Size", s.stepSize, 100);
    v.number("Step", "Number", s.stepNumber);
    v.number("Step", "Pulse", s.stepPulse);
    v.number("Step", "Current", s.stepCurrent);
    v.number("Back", "Number", s.backNumber);
    v.number("Back", "Pulse", s.backPulse);
    v.number("Back", "Current", s.backCurrent);
    v.flag("EndSwitch", "Soft", s.softSwitch);
    v.flag("EndSwitch", "Hard", s.hardSwitch);
    v.number("EndSwitch", "End Min", s.endMin);
    v.number("EndSwitch", "End Max", s.endMax);
    for (int speed = 1; speed <= 3; ++speed) {
        v.number("Speeds", indexed("Pulse %d", speed), s.speedPulse[speed - 1]);
        v.number("Speeds", indexed("Current %d", speed), s.speedCurrent[speed - 1]);
    }
    v.number("Cells", "Cell Mode", s.cellMode);
    for (int cell = 0; cell <= 8; ++cell)
        v.number("Cells", indexed("Cell Value %d", cell), s.cellValue[cell]);
    v.number("Common", "Stop Current", s.stopCurrent);
}

} // namespace

void FocuserSettings::load(DeviceSettings& store, const std::string& profile)
{
    store.setCurrent(kFocuserDriverName, profile);
    *this = FocuserSettings{};
    SettingsReader reader(store);
    visitFocuser(*this, reader);
}

bool FocuserSettings::save(DeviceSettings& store, const std::string& profile) const
{
    store.setCurrent(kFocuserDriverName, profile);
    SettingsWriter writer(store);
    visitFocuser(*this, writer);
    return writer.allWritten();
}

} // namespace velmora::server
