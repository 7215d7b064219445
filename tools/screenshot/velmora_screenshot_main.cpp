// velmora-screenshot: runs the guider client as `make run` does, does what a new user
// does first (Manual Mode off, Start, a click on the brightest star, tracking on, the
// tool windows open) and saves a picture of the whole screen. scripts/screenshot runs
// it under Xvfb to refresh the README's picture.
#include "client/app/client_program.h"
#include "client/guiding/star_selector.h"
#include "client/image/image_window.h"
#include "client/image/processing_bar.h"
#include "client/shell/command_ids.h"
#include "client/shell/ui/main_frame.h"
#include "platform/automation/apartment.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include <iostream>

using namespace velmora::client;

namespace {

// Runs the event loop until the condition holds or the time is up.
bool waitFor(const std::function<bool()>& condition, int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > milliseconds)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return true;
}

void settle(int milliseconds)
{
    waitFor([] { return false; }, milliseconds);
}

int shoot(const QString& output)
{
    ClientProgram program;
    CMainFrame& frame = program.mainFrame();
    frame.setGeometry(QGuiApplication::primaryScreen()->availableGeometry());
    frame.show();
    MainFrame& core = frame.core();
    if (core.cycle().manualMode())
        core.applyControl(exposure_bar::kManualMode, 0);
    core.applyControl(exposure_bar::kButton, 0);
    if (!waitFor([&] { return core.imageWindow() != nullptr; }, 20000)) {
        std::cerr << "velmora-screenshot: no frame arrived\n";
        return 1;
    }
    settle(1500);
    ImageWindow& image = *core.imageWindow();
    const ImageFrame& raw = image.pipeline().rawFrame();
    const auto star = StarSelector::brightestStar(raw, StarSelector::backgroundThresholds(raw));
    if (star) {
        core.applyControl(processing_bar::kAutoGuiding, 1);
        image.clickAt({star->x, star->y});
    }
    frame.refreshCommandStates();
    if (core.commandState(kCommandGuiding).enabled) {
        frame.action(kCommandGuiding)->trigger();
        settle(500);
        if (MeasurementTool* guiding = image.toolOfSection("Guiding"); guiding != nullptr && star) {
            // As a user does: the sky level as threshold, the square on the star, Start.
            const std::vector<std::uint16_t> levels = StarSelector::backgroundThresholds(raw);
            for (int p = 0; p < static_cast<int>(levels.size()); ++p) {
                guiding->SelectThresholdPlane(p);
                guiding->SetThreshold(levels[static_cast<std::size_t>(p)]);
            }
            guiding->SelectThresholdPlane(0);
            guiding->SetSquareCentre(star->x, star->y);
            guiding->Start();
        }
    }
    settle(8000);
    frame.refreshCommandStates();
    const QPixmap screen = QGuiApplication::primaryScreen()->grabWindow(0);
    if (!screen.save(output)) {
        std::cerr << "velmora-screenshot: cannot write " << output.toStdString() << '\n';
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::cerr << "usage: velmora-screenshot OUTPUT.png\n";
        return 2;
    }
    if (!displayPathWorks() || CoInitializeEx(nullptr, COINIT_MULTITHREADED | COINIT_SPEED_OVER_MEMORY) != S_OK)
        return 1;
    const int status = shoot(QString::fromLocal8Bit(argv[1]));
    CoUninitialize();
    return status;
}
