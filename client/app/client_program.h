#pragma once
// The composition of the guider client: which objects, which environment. main()
// runs it; the end-to-end tests and the screenshot tool build the same program.

#include "client/devices/high_resolution_clock.h"
#include "client/devices/ui/chooser_dlg.h"
#include "client/shell/registry_settings_store.h"
#include "client/shell/ui/qt_file_dialogs.h"
#include "client/shell/user_paths.h"
#include "platform/automation/in_process_class.h"

#include <memory>

class QTimer;

namespace velmora::client {

class CMainFrame;
namespace remote {
class ClientRemote;
}

class ClientProgram {
public:
    // Needs a QApplication and the runtime initialised. Builds the main frame (which
    // binds the drivers) with the registry under "Velmora Software".
    // Tests hand in their own file dialogs; the program uses Qt's.
    explicit ClientProgram(FileDialogs* fileDialogs = nullptr);
    ~ClientProgram();
    ClientProgram(const ClientProgram&) = delete;
    ClientProgram& operator=(const ClientProgram&) = delete;

    CMainFrame& mainFrame() { return *m_frame; }
    SettingsStore& settings() { return m_store; }
    // The guiding server's port while section "Remote" "Enable" is 1, else 0.
    int remotePort() const;

private:
    void startGuidingServer();

    RegistrySettingsStore m_store;
    SteadyClock m_clock;
    FileSystemFreeSpace m_freeSpace;
    QtChooserDialog m_chooserDialog;
    QtFileDialogs m_fileDialogs;
    QtMessageBoxes m_messageBoxes;
    std::unique_ptr<automation::InProcessClass> m_chooser;
    std::unique_ptr<CMainFrame> m_frame;
    std::unique_ptr<remote::ClientRemote> m_remote; // goes before the frame it serves
    std::unique_ptr<QTimer> m_remoteTimer;
};

// The display path: a screen to draw on and 32-bit off-screen surfaces.
bool displayPathWorks();

} // namespace velmora::client
