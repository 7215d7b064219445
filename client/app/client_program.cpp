#include "client/app/client_program.h"

#include "client/capture/ui/capture_dlg.h"
#include "client/devices/driver_chooser.h"
#include "client/focusing/ui/focusing3_dlg.h"
#include "client/guiding/ui/guiding_dlg.h"
#include "client/remote/client_remote.h"
#include "client/remote/remote_settings.h"
#include "client/shell/ui/main_frame.h"

#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QTimer>

#include <iostream>

namespace velmora::client {

ClientProgram::ClientProgram(FileDialogs* fileDialogs)
    : m_store(RegistrySettingsStore::kCompanyKey), m_chooser(registerDriverChooser(m_chooserDialog, indiServerDrivers(m_store)))
{
    m_frame = std::make_unique<CMainFrame>(m_store, m_clock, m_freeSpace);
    m_fileDialogs.setParent(m_frame.get());
    FileDialogs& dialogs = fileDialogs != nullptr ? *fileDialogs : m_fileDialogs;
    m_frame->setFileDialogs(&dialogs);
    registerGuidingWindow(*m_frame, m_clock, dialogs);
    m_messageBoxes.setParent(m_frame.get());
    registerCaptureWindows(*m_frame, m_fileDialogs, m_messageBoxes);
    registerFocusingWindow(*m_frame);
    if (remote::remoteEnabled(m_store))
        startGuidingServer();
}

// Imaging programs drive the client over the guiding server; its sockets are looked
// at every 20 ms on the main thread, never waited on.
void ClientProgram::startGuidingServer()
{
    CMainFrame* frame = m_frame.get();
    m_remote = std::make_unique<remote::ClientRemote>(
        m_frame->core(), m_clock, [frame] { QTimer::singleShot(0, frame, [frame] { frame->close(); }); });
    if (const std::optional<std::string> error =
            m_remote->listen(remote::listenAddressFromSettings(m_store))) {
        std::cerr << "VelmoraNebrix: guiding server not started: " << *error << '\n';
        m_remote.reset();
        return;
    }
    m_remoteTimer = std::make_unique<QTimer>();
    QObject::connect(m_remoteTimer.get(), &QTimer::timeout, [this] { m_remote->poll(); });
    m_remoteTimer->start(20);
}

int ClientProgram::remotePort() const
{
    return m_remote ? m_remote->port() : 0;
}

ClientProgram::~ClientProgram()
{
    m_remoteTimer.reset();
    m_remote.reset();
    m_frame.reset(); // writes the settings and releases the drivers
    m_chooser.reset();
}

bool displayPathWorks()
{
    if (QGuiApplication::primaryScreen() == nullptr)
        return false;
    const QImage surface(16, 16, QImage::Format_RGB32);
    return !surface.isNull();
}

} // namespace velmora::client
