// The guider client's share of the exposure cycle: the real client (offscreen) against
// the real server in simulator mode, exposure 0, continuous, the image window fitted and
// the preview tracking the brightest star. Client time is everything the main thread
// spends on the exposure timer's ticks: polling, fetching the frame, the pipeline and
// tools, the display conversion and a synchronous repaint of the image, with the frame
// read as ImageArray (perf 0) or sent by GetRawBuffer (perf 1, "Perfomance Mode"). The
// reference is the cycle itself, measured in the same run; client_cpu_pct leaves out the
// time the client waits for the server to build and send the frame.
#include "client/app/client_program.h"
#include "client/guiding/star_selector.h"
#include "client/image/image_window.h"
#include "client/image/processing_bar.h"
#include "client/image/ui/child_frame.h"
#include "client/shell/command_ids.h"
#include "client/shell/ui/main_frame.h"
#include "platform/automation/apartment.h"
#include "platform/registry/registry.h"
#include "testing/eventually.h"
#include "testing/run_program.h"
#include "testing/temp_home.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <string>

using namespace velmora::client;

namespace {

constexpr int kFramesMeasured = 25;

QApplication& application()
{
    static int argc = 1;
    static char name[] = "velmora-bench";
    static char* argv[] = {name, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

void writeNumber(const std::string& path, const char* name, DWORD value)
{
    HKEY key = nullptr;
    RegCreateKeyEx(HKEY_CURRENT_USER, path.c_str(), KEY_ALL_ACCESS, &key);
    RegSetValueEx(key, name, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

void writeCameraNumber(const char* section, const char* name, DWORD value)
{
    writeNumber(std::string("Software\\Velmora Software\\Velmora WebCamera ASCOM Driver\\Default\\") +
                    section,
                name, value);
}

void setClientNumber(const char* section, const char* name, DWORD value)
{
    writeNumber(std::string("Software\\Velmora Software\\Velmora Nebrix Client\\") + section, name, value);
}

double threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec * 1e-9;
}

bool runUntil(const std::function<bool()>& condition, int milliseconds)
{
    // Sleeps in the event loop between events (the exposure timer wakes it), so the
    // waiting itself takes no processor time from the client or the server.
    QElapsedTimer clock;
    clock.start();
    QTimer watchdog;
    watchdog.start(100);
    while (!condition() && clock.elapsed() < milliseconds)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return condition();
}

struct Frames : MainFrameListener {
    void frameDelivered(ImageWindow&) override
    {
        ++count;
        if (view != nullptr)
            view->viewport()->repaint(); // the paint inside the tick, so it is counted
    }
    int count = 0;
    CImageView* view = nullptr;
};

void BM_ClientCycleShare(benchmark::State& state)
{
    application();
    velmora::testing::TempHome home;
    unsetenv("DISPLAY");
    setenv("VELMORA_SIMULATOR", "1", 1);
    velmora::testing::runProgram(VELMORA_SERVER_PATH, {"-RegServer"}, home.path());
    writeCameraNumber("Format", "Width", static_cast<DWORD>(state.range(0)));
    writeCameraNumber("Format", "Height", static_cast<DWORD>(state.range(1)));
    writeCameraNumber("SubFrame", "Num X", static_cast<DWORD>(state.range(0))); // the whole frame
    writeCameraNumber("SubFrame", "Num Y", static_cast<DWORD>(state.range(1)));
    setClientNumber("Options", "Perfomance Mode", static_cast<DWORD>(state.range(2)));
    CoInitializeEx(nullptr, COINIT_MULTITHREADED | COINIT_SPEED_OVER_MEMORY);
    double clientSeconds = 0;
    double clientCpuSeconds = 0;
    double wallSeconds = 0;
    int frames = 0;
    {
        ClientProgram program;
        CMainFrame& frame = program.mainFrame();
        frame.resize(1600, 1000);
        frame.show();
        MainFrame& core = frame.core();
        Frames delivered;
        core.addListener(delivered);
        double tickSeconds = 0;
        double tickCpuSeconds = 0;
        frame.exposureTimer().setCallback([&](int id) {
            const auto begin = std::chrono::steady_clock::now();
            const double cpuBegin = threadCpuSeconds();
            core.cycle().onTimer(id);
            tickCpuSeconds += threadCpuSeconds() - cpuBegin;
            tickSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        });
        core.applyControl(exposure_bar::kManualMode, 0);
        core.applyControl(exposure_bar::kButton, 0);
        if (!runUntil([&] { return frame.childFrame() != nullptr; }, 30000)) {
            state.SkipWithError("no frame");
            return;
        }
        ImageWindow& image = *core.imageWindow();
        delivered.view = frame.childFrame()->view();
        core.execute(kCommandFitToWindow);
        frame.childFrame()->displayOptionsChanged();
        const ImageFrame& raw = image.pipeline().rawFrame();
        if (const auto star = StarSelector::brightestStar(raw, StarSelector::backgroundThresholds(raw))) {
            core.applyControl(processing_bar::kAutoGuiding, 1);
            image.clickAt({star->x, star->y});
        }
        runUntil([&] { return delivered.count >= 3; }, 30000); // settled
        state.SetLabel(image.geometryText());
        for (auto _ : state) {
            const int first = delivered.count;
            tickSeconds = 0;
            tickCpuSeconds = 0;
            const auto begin = std::chrono::steady_clock::now();
            runUntil([&] { return delivered.count >= first + kFramesMeasured; }, 120000);
            wallSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
            clientSeconds += tickSeconds;
            clientCpuSeconds += tickCpuSeconds;
            frames += delivered.count - first;
        }
        core.removeListener(delivered);
        frame.close();
    }
    // The server writes its drivers' settings as it ends: let it, before the home goes.
    velmora::testing::eventually(
        [&] { return velmora::testing::serverProcesses(VELMORA_SERVER_PATH, home.path()).empty(); });
    CoUninitialize();
    unsetenv("VELMORA_SIMULATOR");
    state.counters["cycle_ms"] = frames > 0 ? 1000 * wallSeconds / frames : 0;
    state.counters["client_ms"] = frames > 0 ? 1000 * clientSeconds / frames : 0;
    state.counters["client_share_pct"] = wallSeconds > 0 ? 100 * clientSeconds / wallSeconds : 0;
    // The client's own processor time on its main thread, without the waits for the server.
    state.counters["client_cpu_pct"] = wallSeconds > 0 ? 100 * clientCpuSeconds / wallSeconds : 0;
}

} // namespace

BENCHMARK(BM_ClientCycleShare)
    ->ArgNames({"width", "height", "perf"})
    ->Args({640, 480, 0})
    ->Args({640, 480, 1})
    ->Args({1920, 1080, 0})
    ->Args({1920, 1080, 1})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();
