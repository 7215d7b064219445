// The per-frame path must not allocate once the window has seen its first frame: this
// executable counts every operator new of the process.
#include "client/image/display_converter.h"
#include "client/image/frame_pipeline.h"
#include "client/image/image_geometry.h"
#include "client/image/measurement_tool.h"
#include "client/image/overlay_painter.h"
#include "client/image/synthetic_star_field.h"
#include "client/shell/memory_settings_store.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

namespace {
std::atomic<long> g_allocations{0};
}

void* operator new(std::size_t size)
{
    ++g_allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

namespace velmora::client {
namespace {

TEST(FramePathAllocationTest, NoAllocationPerFrameOnceTheWindowIsSetUp)
{
    constexpr int kWidth = 160;
    constexpr int kHeight = 120;
    SyntheticStarField field(kWidth, kHeight, 3, 3);
    const std::vector<GaussianStar> stars{{80.3, 60.6, 4.0, 20000.0}};
    std::vector<std::int32_t> camera = field.render(2000.0, stars, true);
    for (auto& v : camera)
        v /= 16; // a 12-bit camera

    auto window = FramePipeline::create(kWidth, kHeight, 3);
    window->setDigitCapacity(12); // the ratio path, not the integer factor
    MemorySettingsStore store;
    ImageGeometry geometry;
    geometry.setScales(1.0, 1.0);
    MeasurementTool guiding("Guiding", *window, store, geometry);
    guiding.Activate();
    guiding.SetSquareCentre(84, 57);
    for (int plane = 0; plane < 3; ++plane) {
        guiding.SelectThresholdPlane(plane);
        guiding.SetThreshold(2300);
    }
    guiding.SetAutoGuiding(true);
    guiding.setApplyHistogram(true);
    guiding.Start();
    MeasurementTool preview("Preview", *window, store, geometry);
    preview.Activate();
    preview.SetSquareCentre(78, 62);
    preview.SetAutoGuiding(true);
    preview.setApplyHistogram(true);
    preview.setAutoHistogram(true);
    const std::vector<PlaneColour> colours{PlaneColour::Blue, PlaneColour::Green, PlaneColour::Red};
    std::vector<std::uint8_t> pixels(kWidth * kHeight * 4);
    const DisplaySurface surface{pixels.data(), kWidth, kHeight, kWidth * 4, PixelPacking::Bgrx32};
    DisplayConverter display;

    const auto frame = [&] {
        ASSERT_TRUE(window->deliverFrame(camera, kWidth, kHeight, 3));
        ASSERT_TRUE(display.convert(window->workingFrame(), colours, surface));
        DrawSquareOverlay(surface, preview.squareOverlay());
        preview.MeasureBlobDiameter(0.5);
    };
    frame(); // the first frame may size the reusable buffers
    const long before = g_allocations.load();
    ASSERT_GT(before, 0) << "the counter sees the set-up's allocations";
    for (int i = 0; i < 5; ++i)
        frame();
    EXPECT_EQ(g_allocations.load() - before, 0);
    EXPECT_GT(preview.fwhm(), 0.0);
    EXPECT_NEAR(guiding.centroidX(), 80.3, 0.2);
}

} // namespace
} // namespace velmora::client
