#pragma once
// The main frame's command ids and their prompts: the status-line text of each
// command and, after "\n", its tooltip.

#include <string>

namespace velmora::client {

// Drivers toolbar and File menu (handled through the driver binding).
constexpr int kCommandCameraSetup = 40001;
constexpr int kCommandFocuserSetup = 40002;
constexpr int kCommandTelescopeSetup = 40003;
constexpr int kCommandChooseCamera = 40004;
constexpr int kCommandChooseFocuser = 40005;
constexpr int kCommandChooseTelescope = 40006;
// Dialogs toolbar and Processing menu (the image window's tool windows).
constexpr int kCommandGuiding = 40007;
constexpr int kCommandFocusing = 40008;
constexpr int kCommandCapture = 40009;
// View menu: the four toolbars.
constexpr int kCommandDriversToolbar = 40010;
constexpr int kCommandDialogsToolbar = 40011;
constexpr int kCommandDisplayToolbar = 40012;
constexpr int kCommandToolsToolbar = 40013;
// Tools toolbar: the six dialog bars.
constexpr int kCommandExposureBar = 40014;
constexpr int kCommandFieldsBar = 40015;
constexpr int kCommandReticleBar = 40017;
constexpr int kCommandProcessingBar = 40018;
constexpr int kCommandHardwareBar = 40019;
constexpr int kCommandScreenshotBar = 40020;
// Display toolbar (the image window's).
constexpr int kCommandFitToWindow = 40021;
constexpr int kCommandKeepAspectRatio = 40022;
// The dialog bars' popup menu.
constexpr int kCommandDockable = 40024;
// The framework's own commands, with the framework's ids.
constexpr int kCommandAppAbout = 0xE140;
constexpr int kCommandAppExit = 0xE141;
constexpr int kCommandHelpFinder = 0xE143;
constexpr int kCommandStatusBar = 0xE801;

// The status-line prompt of a command (the text before "\n"); empty when it has none.
std::string commandPrompt(int commandId);
// The tooltip (the text after "\n"); empty when it has none.
std::string commandTooltip(int commandId);

} // namespace velmora::client
