#include "client/app/client_program.h"

#include "client/capture/ui/capture_dlg.h"
#include "client/devices/driver_chooser.h"
#include "client/focusing/ui/focusing3_dlg.h"
#include "client/guiding/ui/guiding_dlg.h"
#include "client/shell/ui/main_frame.h"

#include <QGuiApplication>
#include <QImage>
#include <QScreen>

namespace velmora::client {

ClientProgram::ClientProgram(FileDialogs* fileDialogs)
    : m_store(RegistrySettingsStore::kCompanyKey), m_chooser(registerDriverChooser(m_chooserDialog))
{
    m_frame = std::make_unique<CMainFrame>(m_store, m_clock, m_freeSpace);
    m_fileDialogs.setParent(m_frame.get());
    FileDialogs& dialogs = fileDialogs != nullptr ? *fileDialogs : m_fileDialogs;
    m_frame->setFileDialogs(&dialogs);
    registerGuidingWindow(*m_frame, m_clock, dialogs);
    m_messageBoxes.setParent(m_frame.get());
    registerCaptureWindows(*m_frame, m_fileDialogs, m_messageBoxes);
    registerFocusingWindow(*m_frame);
}

ClientProgram::~ClientProgram()
{
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
