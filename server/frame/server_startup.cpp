#include "server/frame/server_startup.h"

#include "server/frame/server_identity.h"
#include "server/frame/server_registration.h"

#include <strings.h>

namespace velmora::server {

namespace {

ServerSwitch switchNamed(const std::string& word)
{
    const char* w = word.c_str();
    if (!strcasecmp(w, "Regserver") || !strcasecmp(w, "Register"))
        return ServerSwitch::Register;
    if (!strcasecmp(w, "Unregserver") || !strcasecmp(w, "Unregister"))
        return ServerSwitch::Unregister;
    if (!strcasecmp(w, "Embedding"))
        return ServerSwitch::Embedding;
    if (!strcasecmp(w, "Automation"))
        return ServerSwitch::Automation;
    return ServerSwitch::None;
}

void registerEverything(const std::string& executablePath)
{
    registerServer(executablePath);
    registerAscomProfiles(true);
}

} // namespace

ServerSwitch parseServerSwitches(const std::vector<std::string>& arguments)
{
    ServerSwitch found = ServerSwitch::None;
    for (const auto& argument : arguments) {
        if (argument.size() < 2 || (argument[0] != '/' && argument[0] != '-'))
            continue;
        ServerSwitch s = switchNamed(argument.substr(1));
        if (s != ServerSwitch::None)
            found = s;
    }
    return found;
}

int runServer(ServerSwitch serverSwitch, ServerEnvironment& environment)
{
    if (!environment.registerClassObjects())
        return 1;
    int status = 0;
    if (serverSwitch == ServerSwitch::Unregister) {
        unregisterServer();
        registerAscomProfiles(false);
    } else if (serverSwitch == ServerSwitch::Register) {
        registerEverything(environment.executablePath());
    } else if (environment.hasDisplay() && !environment.initialiseDisplay()) {
        status = 1; // a display that cannot be used: end without a message
    } else if (serverSwitch == ServerSwitch::Embedding || serverSwitch == ServerSwitch::Automation) {
        status = environment.serve();
    } else {
        registerEverything(environment.executablePath());
        environment.showMessage(kStartedByHandMessage);
    }
    environment.revokeClassObjects();
    return status;
}

} // namespace velmora::server
