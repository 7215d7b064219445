#pragma once
// The fixture of the client's end-to-end tests: a private home where the real
// VelmoraServer is registered, simulator mode, no display, the runtime initialised,
// and the client program built as main() builds it (offscreen).

#include "client/app/client_program.h"
#include "client/guiding/star_selector.h"
#include "client/image/measurement_tool.h"
#include "client/image/ui/child_frame.h"
#include "client/shell/test_doubles.h"
#include "client/shell/ui/main_frame.h"
#include "common/ui/control_form.h"
#include "platform/automation/apartment.h"
#include "platform/registry/registry.h"
#include "testing/eventually.h"
#include "testing/run_program.h"
#include "testing/temp_home.h"

#include <QAbstractButton>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velmora::client {

constexpr int kFrameWaitMs = 30000;

class ClientEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        setenv("VELMORA_SIMULATOR", "1", 1);
        ASSERT_EQ(velmora::testing::runProgram(VELMORA_SERVER_PATH, {"-RegServer"}, home.path()).status, 0);
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED | COINIT_SPEED_OVER_MEMORY), S_OK);
    }
    void TearDown() override
    {
        program.reset();
        // The server writes its drivers' settings as it ends: let it, before the home goes.
        velmora::testing::eventually(
            [&] { return velmora::testing::serverProcesses(VELMORA_SERVER_PATH, home.path()).empty(); });
        CoUninitialize();
        unsetenv("VELMORA_SIMULATOR");
    }
    CMainFrame& start()
    {
        program = std::make_unique<ClientProgram>(&fileDialogs);
        program->mainFrame().resize(1600, 1000);
        program->mainFrame().show();
        return program->mainFrame();
    }
    void stop()
    {
        program->mainFrame().close();
        program.reset();
        registry::resetForTesting();
    }
    static void writeNumber(const char* path, const char* name, DWORD value)
    {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, path, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
        RegSetValueEx(key, name, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
        RegCloseKey(key);
    }
    template <typename T> T* control(DialogBar bar, int id)
    {
        return program->mainFrame().barForm(bar)->controlAs<T>(id);
    }
    void click(DialogBar bar, int id)
    {
        QTest::mouseClick(control<QAbstractButton>(bar, id), Qt::LeftButton);
    }

    // The sky's level as the tool's threshold in every plane, so a centroid is the star's
    // alone; the brightest star above it.
    static std::optional<StarPosition> thresholdsAtSkyLevel(MeasurementTool& tool, const ImageFrame& raw)
    {
        const std::vector<std::uint16_t> levels = StarSelector::backgroundThresholds(raw);
        for (int p = 0; p < static_cast<int>(levels.size()); ++p) {
            tool.SelectThresholdPlane(p);
            tool.SetThreshold(levels[static_cast<std::size_t>(p)]);
        }
        return StarSelector::brightestStar(raw, levels);
    }
    static void clickOnImage(CImageView* view, const StarPosition& at)
    {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                          QPoint(view->mapping().clientX(at.x, view->clientSize()),
                                 view->mapping().clientY(at.y, view->clientSize())));
    }

    velmora::testing::TempHome home;
    ScriptedFileDialogs fileDialogs;
    std::unique_ptr<ClientProgram> program;
};

} // namespace velmora::client
