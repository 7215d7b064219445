// The main frame's commands and bar controls: who handles each, whether it is
// enabled and checked, and carrying it out.
#include "client/shell/main_frame.h"

#include "client/image/image_window.h"
#include "client/image/processing_bar.h"
#include "client/shell/command_ids.h"

#include <algorithm>

namespace velmora::client {

namespace {

// Commands that show or hide a toolbar, a dialog bar or the status bar.
bool isVisibilityToggle(int commandId)
{
    return (commandId >= kCommandDriversToolbar && commandId <= kCommandScreenshotBar &&
            commandId != 40016) ||
           commandId == kCommandStatusBar;
}

DriverKind kindOfCommand(int commandId, int first)
{
    return static_cast<DriverKind>(commandId - first);
}

// The screenshot bar's controls: a part of the frame handles them while an image
// window exists; without that part they stay disabled.
bool isScreenshotControl(int controlId)
{
    return controlId == 1183 || controlId == 1185 || controlId == 1189 || controlId == 1190 ||
           controlId == 1191 || (controlId >= 1199 && controlId <= 1202);
}

} // namespace

void MainFrame::registerToolWindow(ToolWindowKind kind)
{
    std::erase_if(m_toolKinds, [&](const ToolWindowKind& k) { return k.commandId == kind.commandId; });
    m_toolKinds.push_back(std::move(kind));
}

// Parts hear before the views, so whatever a view shows already includes them.
void MainFrame::addPart(std::unique_ptr<MainFramePart> part)
{
    m_listeners.insert(m_listeners.begin(), part.get());
    m_parts.push_back(std::move(part));
}

MainFramePart* MainFrame::partFor(int controlId) const
{
    for (const std::unique_ptr<MainFramePart>& part : m_parts) {
        if (part->handlesControl(controlId))
            return part.get();
    }
    return nullptr;
}

const ToolWindowKind* MainFrame::toolKind(int commandId) const
{
    auto it = std::find_if(m_toolKinds.begin(), m_toolKinds.end(),
                           [&](const ToolWindowKind& k) { return k.commandId == commandId; });
    return it != m_toolKinds.end() ? &*it : nullptr;
}

void MainFrame::setBarVisible(int commandId, bool visible)
{
    if (isVisibilityToggle(commandId))
        m_barVisible[commandId] = visible;
}

bool MainFrame::barVisible(int commandId) const
{
    const auto it = m_barVisible.find(commandId);
    return it == m_barVisible.end() || it->second;
}

CommandState MainFrame::commandState(int commandId) const
{
    if (std::optional<CommandState> state = toolCommandState(commandId))
        return *state;
    if (std::optional<CommandState> state = imageWindowCommandState(commandId))
        return *state;
    return frameCommandState(commandId);
}

// The tools of the image window, from the active one on.
std::optional<CommandState> MainFrame::toolCommandState(int commandId) const
{
    const ImageWindow* window = imageWindow();
    if (window == nullptr)
        return std::nullopt;
    for (const MeasurementTool* tool : window->pipeline().tools()) {
        if (std::optional<CommandState> state = tool->commandState(commandId))
            return state;
    }
    return std::nullopt;
}

std::optional<CommandState> MainFrame::imageWindowCommandState(int commandId) const
{
    const ImageWindow* window = imageWindow();
    if (window == nullptr)
        return std::nullopt;
    if (commandId == kCommandFitToWindow || commandId == kCommandKeepAspectRatio)
        return window->commandState(commandId);
    const ToolWindowKind* kind = toolKind(commandId);
    if (kind == nullptr)
        return std::nullopt;
    const MeasurementTool* active = window->activeTool();
    return CommandState{m_binding.isCommandEnabled(commandId),
                        active != nullptr && active->sectionName() == kind->section};
}

CommandState MainFrame::frameCommandState(int commandId) const
{
    if (isVisibilityToggle(commandId))
        return {true, barVisible(commandId)};
    switch (commandId) {
    case kCommandCameraSetup:
    case kCommandFocuserSetup:
    case kCommandTelescopeSetup:
    case kCommandChooseCamera:
    case kCommandChooseFocuser:
    case kCommandChooseTelescope:
        return {m_binding.isCommandEnabled(commandId), false};
    case kCommandAppExit:
    case kCommandAppAbout:
    case kCommandHelpFinder:
        return {true, false};
    default:
        return {}; // no handler: the image window's commands without a window among them
    }
}

bool MainFrame::execute(int commandId)
{
    if (!commandState(commandId).enabled)
        return false;
    if (ImageWindow* window = imageWindow()) {
        if (window->pipeline().routeCommand(commandId))
            return true;
        if (executeOnImageWindow(commandId))
            return true;
    }
    return executeOnFrame(commandId);
}

bool MainFrame::executeOnImageWindow(int commandId)
{
    ImageWindow& window = *imageWindow();
    if (window.execute(commandId))
        return true;
    const ToolWindowKind* kind = toolKind(commandId);
    if (kind == nullptr)
        return false;
    // One window of a kind per image window: the command brings the existing one forward.
    if (MeasurementTool* existing = window.toolOfSection(kind->section)) {
        if (kind->bringToFront)
            kind->bringToFront(*existing);
        existing->Activate();
    } else if (kind->open) {
        kind->open(window);
    }
    return true;
}

bool MainFrame::executeOnFrame(int commandId)
{
    if (isVisibilityToggle(commandId)) {
        const bool visible = !barVisible(commandId);
        m_barVisible[commandId] = visible;
        notify([&](MainFrameListener& l) { l.barVisibilityChanged(commandId, visible); });
        return true;
    }
    switch (commandId) {
    case kCommandCameraSetup:
    case kCommandFocuserSetup:
    case kCommandTelescopeSetup:
        m_binding.openSetupDialog(kindOfCommand(commandId, kCommandCameraSetup));
        exposureBarChanged();
        return true;
    case kCommandChooseCamera:
    case kCommandChooseFocuser:
    case kCommandChooseTelescope:
        m_binding.chooseDriver(kindOfCommand(commandId, kCommandChooseCamera));
        exposureBarChanged();
        return true;
    default:
        return false;
    }
}

bool MainFrame::controlEnabled(int controlId) const
{
    const ImageWindow* window = imageWindow();
    if (processing_bar::isProcessingControl(controlId)) {
        const MeasurementTool* tool = window != nullptr ? window->activeTool() : nullptr;
        return tool != nullptr && processingControlEnabled(*tool, controlId);
    }
    if (const MainFramePart* part = partFor(controlId))
        return part->controlEnabled(controlId);
    if (isScreenshotControl(controlId))
        return false;
    if (std::optional<bool> enabled = imageBarControlEnabled(controlId))
        return *enabled;
    switch (controlId) {
    case exposure_bar::kExposureTime:
    case exposure_bar::kManualMode:
    case exposure_bar::kButton:
        return m_cycle->controlsEnabled();
    case hardware_bar::kSetPlaneColors:
    case hardware_bar::kDigitCapacity:
    case hardware_bar::kFieldOfViewX:
    case hardware_bar::kFieldOfViewY:
        return window != nullptr;
    default:
        return true; // the hardware bar's own fields, the progress bar and its text
    }
}

bool MainFrame::applyControl(int controlId, int value)
{
    if (!controlEnabled(controlId))
        return false;
    if (MainFramePart* part = partFor(controlId))
        return part->applyControl(controlId, value);
    if (ImageWindow* window = imageWindow()) {
        if (processing_bar::isProcessingControl(controlId) && window->activeTool() != nullptr)
            return applyProcessingControl(*window->activeTool(), *window, controlId, value);
        if (controlId == hardware_bar::kDigitCapacity) {
            window->setDigitCapacity(value);
            return true;
        }
        if (applyImageBarControl(*window, controlId, value))
            return true;
    }
    return applyExposureControl(controlId, value) || applyHardwareControl(controlId, value);
}

bool MainFrame::applyExposureControl(int controlId, int value)
{
    switch (controlId) {
    case exposure_bar::kExposureTime:
        m_cycle->exposureTimeChanged(value);
        return true;
    case exposure_bar::kManualMode:
        m_cycle->setManualMode(value != 0);
        return true;
    case exposure_bar::kButton:
        m_cycle->pressButton();
        return true;
    default:
        return false;
    }
}

} // namespace velmora::client
