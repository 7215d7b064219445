#include "client/shell/dialog_bars.h"

#include "client/shell/command_ids.h"

namespace velmora::client {

const std::array<DialogBarInfo, 6>& dialogBars()
{
    static const std::array<DialogBarInfo, 6> bars = {{
        {DialogBar::Exposure, 5, 110, kCommandExposureBar, "Exposure", DockSides::TopBottom,
         &settings::kToolbarExposure},
        {DialogBar::Fields, 6, 111, kCommandFieldsBar, "Fields", DockSides::TopBottom, &settings::kToolbarFields},
        {DialogBar::Screenshot, 7, 115, kCommandScreenshotBar, "Screenshot", DockSides::TopBottom,
         &settings::kToolbarScreenshot},
        {DialogBar::Hardware, 8, 114, kCommandHardwareBar, "Hardware", DockSides::LeftRight,
         &settings::kToolbarHardware},
        {DialogBar::Reticle, 9, 112, kCommandReticleBar, "Reticle", DockSides::LeftRight,
         &settings::kToolbarReticle},
        {DialogBar::Processing, 10, 113, kCommandProcessingBar, "Processing", DockSides::LeftRight,
         &settings::kToolbarProcess},
    }};
    return bars;
}

const DialogBarInfo& dialogBarInfo(DialogBar bar)
{
    return dialogBars()[static_cast<std::size_t>(bar)];
}

void DialogBarFlags::load(const SettingsStore& store)
{
    for (const DialogBarInfo& info : dialogBars())
        setNotDockable(info.bar, settings::read(store, *info.notDockableSetting) != 0);
}

void DialogBarFlags::save(SettingsStore& store) const
{
    for (const DialogBarInfo& info : dialogBars())
        settings::write(store, *info.notDockableSetting, notDockable(info.bar) ? 1 : 0);
}

} // namespace velmora::client
