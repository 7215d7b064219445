#include "server/app/qt_server_environment.h"

#include "platform/automation/apartment.h"
#include "platform/automation/class_factory.h"
#include "platform/automation/class_registry.h"
#include "server/frame/server_identity.h"

#include <QCoreApplication>
#include <QMessageBox>

#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <unistd.h>

namespace velmora::server {

bool QtServerEnvironment::displayConfigured()
{
    const char* x = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    // The offscreen platform draws without any display server.
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    return (x && *x) || (wayland && *wayland) || (platform && std::string_view(platform) == "offscreen");
}

bool QtServerEnvironment::registerClassObjects()
{
    for (const auto& c : kServerClasses) {
        const auto clsid = automation::parseGuid(c.clsid);
        automation::ComPtr<IClassFactory> factory =
            automation::makeObject<automation::ClassFactory>(m_devices.creatorOf(c.name));
        DWORD cookie = 0;
        if (!clsid || CoRegisterClassObject(*clsid, factory.get(), CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE,
                                            &cookie) != S_OK)
            return false;
        m_cookies[static_cast<std::size_t>(m_registered++)] = cookie;
    }
    return true;
}

void QtServerEnvironment::revokeClassObjects()
{
    while (m_registered > 0)
        CoRevokeClassObject(m_cookies[static_cast<std::size_t>(--m_registered)]);
}

void QtServerEnvironment::showMessage(const std::string& text)
{
    if (m_display) {
        QMessageBox::information(nullptr, kAppName, QString::fromStdString(text));
        return;
    }
    std::fprintf(stderr, "%s\n", text.c_str());
}

int QtServerEnvironment::serve()
{
    // Started for clients but another instance serves them (it holds the AppID):
    // nobody would ever reach this one.
    if (!automation::serverListensForClients()) {
        std::fprintf(stderr, "%s: another instance serves these classes; this one ends\n", kAppName);
        return 0;
    }
    automation::endServerWhenUnusedFor(automation::kUnusedServerLimit);
    // The last released object or lock ends the loop (posted: the release may run
    // inside a call that is still being answered).
    automation::setServerReleasedHandler([] {
        QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                                  Qt::QueuedConnection);
    });
    return QCoreApplication::exec();
}

std::string QtServerEnvironment::executablePath() const
{
    char path[4096];
    ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return "VelmoraServer";
    path[n] = '\0';
    return path;
}

} // namespace velmora::server
