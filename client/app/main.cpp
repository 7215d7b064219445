// VelmoraNebrix: the guider client.
#include "client/app/client_program.h"
#include "client/app/client_startup.h"
#include "client/shell/ui/main_frame.h"
#include "platform/automation/apartment.h"

#include <QApplication>

#include <cstdlib>
#include <iostream>

using namespace velmora::client;

namespace {

std::map<std::string, std::string> displayVariables()
{
    std::map<std::string, std::string> variables;
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        if (const char* value = std::getenv(name))
            variables[name] = value;
    }
    return variables;
}

class QtClientEnvironment : public ClientEnvironment {
public:
    bool initialiseRuntime() override
    {
        return CoInitializeEx(nullptr, COINIT_MULTITHREADED | COINIT_SPEED_OVER_MEMORY) == S_OK;
    }
    void uninitialiseRuntime() override { CoUninitialize(); }
    bool initialiseDisplay() override { return displayPathWorks(); }
    void releaseDisplay() override {}
    int runMainFrame() override
    {
        ClientProgram program;
        program.mainFrame().showMaximized();
        return QApplication::exec();
    }
};

} // namespace

int main(int argc, char** argv)
{
    const std::string missing = missingDisplayMessage(displayVariables());
    if (!missing.empty()) {
        std::cerr << missing << '\n';
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora Nebrix Client"));
    QtClientEnvironment environment;
    return runClient(environment);
}
