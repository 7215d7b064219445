// velmora-guide: guiding without a display, with the client's own settings.
#include "client/guiding/headless_guider.h"
#include "client/guiding/headless_options.h"
#include "client/guiding/loop_clock.h"
#include "client/guiding/read_only_settings_store.h"
#include "client/remote/headless_server.h"
#include "client/shell/registry_settings_store.h"
#include "platform/automation/apartment.h"

#include <csignal>
#include <iostream>

namespace {

volatile std::sig_atomic_t g_stopRequested = 0;

void requestStop(int)
{
    g_stopRequested = 1;
}

// SIGINT and SIGTERM end the session the normal way on the next tick; a closed output
// pipe does too, instead of killing the process mid-pulse.
void installSignalHandlers()
{
    struct sigaction action = {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

// The guiding server for imaging programs on the headless guider.
int serve(const velmora::client::HeadlessOptions& options, velmora::client::SettingsStore& settings,
          velmora::client::LoopClock& clock, const std::function<bool()>& stopRequested)
{
    using namespace velmora::client::remote;
    HeadlessServer server(options, settings, clock, std::cout, std::cerr);
    if (const std::optional<std::string> error =
            server.listen(listenAddressFromSettings(settings, options.port))) {
        std::cerr << "velmora-guide: " << *error << '\n';
        return 1;
    }
    return server.run(stopRequested);
}

} // namespace

int main(int argc, char** argv)
{
    using namespace velmora::client;
    const HeadlessParse parsed = parseHeadlessOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.options) {
        std::cerr << "velmora-guide: " << parsed.error << " (see --help)\n";
        return 2;
    }
    if (parsed.options->help) {
        std::cout << headlessUsage();
        return 0;
    }
    installSignalHandlers();
    if (CoInitializeEx(nullptr, COINIT_MULTITHREADED | COINIT_SPEED_OVER_MEMORY) != S_OK) {
        std::cerr << "velmora-guide: the automation runtime did not start\n";
        return 1;
    }
    int status = 0;
    {
        const RegistrySettingsStore registry;
        ReadOnlySettingsStore settings(registry);
        RealLoopClock clock;
        const auto stopRequested = [] { return g_stopRequested != 0 || !std::cout; };
        if (parsed.options->serve) {
            status = serve(*parsed.options, settings, clock, stopRequested);
        } else {
            HeadlessGuider guider(*parsed.options, settings, clock, std::cout, std::cerr);
            status = guider.run(stopRequested);
        }
    }
    CoUninitialize();
    return status;
}
