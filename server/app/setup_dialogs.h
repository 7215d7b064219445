#pragma once
// The setup dialogs of the server's driver objects, for a process with a display.
//
// SetupDialog runs its dialog modally on the server's main thread: the dialog's nested
// event loop keeps serving every other client's calls (the transport's sockets are
// watched by that same loop), so their cameras, focusers and telescopes go on working
// while the dialog is open. One setup dialog is open at a time: a SetupDialog that
// comes while one is open (from another client, whose call would otherwise wait for
// both dialogs to close) shows nothing and returns at once, as without a display.
//
// With VELMORA_SETUP_DIALOG_LOG naming a file (for tests that run the server under the
// offscreen platform), each dialog appends its title to that file once it is shown and
// then closes itself as if cancelled.

#include "server/app/server_devices.h"

namespace velmora::server {

constexpr const char* kSetupDialogLogVariable = "VELMORA_SETUP_DIALOG_LOG";

ServerDevices::DialogHooks setupDialogHooks();

} // namespace velmora::server
