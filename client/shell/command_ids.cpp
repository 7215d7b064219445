#include "client/shell/command_ids.h"

#include <map>

namespace velmora::client {

namespace {

const std::map<int, std::string>& prompts()
{
    static const std::map<int, std::string> table = {
        {kCommandCameraSetup, "Display camera setup dialog\nCamera Setup"},
        {kCommandFocuserSetup, "Display focuser setup dialog\nFocuser Setup"},
        {kCommandTelescopeSetup, "Display telescope setup dialog\nTelescope Setup"},
        {kCommandChooseCamera, "Choose camera driver"},
        {kCommandChooseFocuser, "Choose focuser driver"},
        {kCommandChooseTelescope, "Choose telescope driver"},
        {kCommandGuiding, "Display guiding dialog\nGuiding"},
        {kCommandFocusing, "Display focusing-3 dialog\nFocusing-3"},
        {kCommandCapture, "Display capture dialog\nCapture"},
        {kCommandDriversToolbar, "Show or hide the drivers toolbar"},
        {kCommandDialogsToolbar, "Show or hide the dialogs toolbar"},
        {kCommandDisplayToolbar, "Show or hide the display toolbar"},
        {kCommandToolsToolbar, "Show or hide the tools toolbar"},
        {kCommandExposureBar, "Show or hide the exposure bar\nExposure Bar"},
        {kCommandFieldsBar, "Show or hide the fields bar\nFields Bar"},
        {kCommandReticleBar, "Show or hide the reticle bar\nReticle Bar"},
        {kCommandProcessingBar, "Show or hide the processing bar\nProcessing Bar"},
        {kCommandHardwareBar, "Show or hide the hardware bar\nHardware Bar"},
        {kCommandScreenshotBar, "Show or hide the screenshot bar\nScreenshot Bar"},
        {kCommandFitToWindow, "\nFit To Window"},
        {kCommandKeepAspectRatio, "\nKeep Aspect Ratio"},
    };
    return table;
}

std::string promptPart(int commandId, bool tooltip)
{
    const auto it = prompts().find(commandId);
    if (it == prompts().end())
        return {};
    const std::string& text = it->second;
    const std::size_t split = text.find('\n');
    if (split == std::string::npos)
        return tooltip ? std::string() : text;
    return tooltip ? text.substr(split + 1) : text.substr(0, split);
}

} // namespace

std::string commandPrompt(int commandId)
{
    return promptPart(commandId, false);
}

std::string commandTooltip(int commandId)
{
    return promptPart(commandId, true);
}

} // namespace velmora::client
