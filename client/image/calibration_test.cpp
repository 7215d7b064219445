#include "client/image/calibration.h"

#include "client/image/calibration_file.h"
#include "client/image/calibration_run.h"
#include "client/image/frame_pipeline.h"
#include "client/image/test_camera.h"
#include "client/shell/memory_settings_store.h"
#include "client/shell/settings_layout.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

using namespace velmora::client;

namespace {

ImageFrame frameOf(int width, int height, int planes, std::initializer_list<std::uint16_t> values)
{
    ImageFrame frame;
    frame.Allocate(width, planes, height);
    std::copy(values.begin(), values.end(), frame.samples());
    return frame;
}

std::string temporaryPath(const std::string& name)
{
    return (std::filesystem::path(::testing::TempDir()) / name).string();
}

std::vector<std::uint8_t> readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                 static_cast<std::streamsize>(bytes.size()));
}

} // namespace

TEST(CalibrationTest, DarkNeverWrapsAndContrastScalesWithSaturation)
{
    ImageFrame raw = frameOf(4, 1, 1, {100, 50, 7, 65535});
    const ImageFrame dark = frameOf(4, 1, 1, {30, 60, 7, 1});
    SubtractDark(raw, dark);
    EXPECT_EQ(std::vector<std::uint16_t>(raw.samples(), raw.samples() + 4),
              (std::vector<std::uint16_t>{70, 0, 0, 65534}));
    ImageFrame scaled = frameOf(3, 1, 1, {10, 40000, 3});
    ScaleDark(scaled, 2.0);
    EXPECT_EQ(std::vector<std::uint16_t>(scaled.samples(), scaled.samples() + 3),
              (std::vector<std::uint16_t>{20, 65535, 6}));
    ScaleDark(scaled, 0.0);
    EXPECT_EQ(scaled.samples()[1], 0);
}

TEST(CalibrationTest, FlatGainsAndCorrection)
{
    // Mean (100 + 200 + 0 + 100) / 4 = 100: the mean pixel has gain 255, 0 has 255 too.
    ImageFrame flat = frameOf(4, 1, 1, {100, 200, 0, 100});
    MakeFlatGains(flat, 1.0);
    EXPECT_EQ(std::vector<std::uint16_t>(flat.samples(), flat.samples() + 4),
              (std::vector<std::uint16_t>{255, 510, 255, 255}));
    ImageFrame raw = frameOf(4, 1, 1, {1000, 1000, 1000, 65535});
    ApplyFlat(raw, flat);
    EXPECT_EQ(std::vector<std::uint16_t>(raw.samples(), raw.samples() + 4),
              (std::vector<std::uint16_t>{1000, 500, 1000, 65535}));
    // Tiny ratios give the smallest gain 1, a dark plane is left as loaded and corrects nothing.
    ImageFrame extreme = frameOf(2, 1, 2, {1, 60000, 0, 0});
    MakeFlatGains(extreme, 1.0);
    EXPECT_EQ(extreme.samples()[0], 1);
    EXPECT_EQ(extreme.samples()[2], 0) << "mean 0: as loaded";
    ImageFrame through = frameOf(2, 1, 2, {10, 10, 77, 88});
    ApplyFlat(through, extreme);
    EXPECT_EQ(through.samples()[0], 2550);
    EXPECT_EQ(through.samples()[2], 77) << "a gain of 0 divides nothing";
}

TEST(CalibrationTest, FilesAreTheHeaderThenTheSamplesAndRoundTrip)
{
    const ImageFrame frame = frameOf(3, 2, 2, {1, 2, 3, 4, 5, 6, 0x0102, 0xFFFF, 0, 9, 10, 11});
    const std::string path = temporaryPath("dark.bmp");
    ASSERT_TRUE(SaveCalibrationFile(path, frame));
    const std::vector<std::uint8_t> bytes = readBytes(path);
    ASSERT_EQ(bytes.size(), 54u + 24u);
    const std::vector<std::uint8_t> header = {
        'B', 'M', 78, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 2, 0, 16, 0,
        0,   0,   0,  0, 24, 0, 0, 0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 54), header);
    EXPECT_EQ(bytes[54 + 12], 0x02);
    EXPECT_EQ(bytes[54 + 13], 0x01) << "little-endian samples, plane after plane";
    ImageFrame back;
    ASSERT_TRUE(LoadCalibrationFile(path, back));
    EXPECT_TRUE(back.sameDimensions(frame));
    EXPECT_TRUE(std::equal(back.samples(), back.samples() + 12, frame.samples()));
    EXPECT_FALSE(std::filesystem::exists(path + ".part"));
    EXPECT_FALSE(SaveCalibrationFile(temporaryPath("no/such/folder/x.bmp"), frame));
}

// Files come from anywhere: nothing but one of ours loads, and nothing is read past
// a file or allocated for samples it does not hold.
TEST(CalibrationTest, HostileFilesLoadNothing)
{
    const ImageFrame frame = frameOf(8, 4, 1, {});
    const std::string good = temporaryPath("good.bmp");
    ASSERT_TRUE(SaveCalibrationFile(good, frame));
    const std::vector<std::uint8_t> original = readBytes(good);
    std::mt19937 random(12345);
    const std::string path = temporaryPath("mutated.bmp");
    ImageFrame loaded;
    int accepted = 0;
    for (int round = 0; round < 10000; ++round) {
        std::vector<std::uint8_t> bytes = original;
        switch (round % 4) {
        case 0: // random header fields
            for (int k = 0; k < 4; ++k)
                bytes[random() % 54] = static_cast<std::uint8_t>(random());
            break;
        case 1: // truncated anywhere
            bytes.resize(random() % bytes.size());
            break;
        case 2: { // huge or overflowing dimensions with a short body
            const std::uint32_t w = random(), h = random();
            std::memcpy(&bytes[18], &w, 4);
            std::memcpy(&bytes[22], &h, 4);
            bytes[26] = static_cast<std::uint8_t>(random());
            break;
        }
        default: // a real bitmap: 24-bit pixels, or one 16-bit plane bottom-up
            bytes[28] = round % 8 == 3 ? 24 : 16;
            bytes[22] = 0xFC, bytes[23] = 0xFF, bytes[24] = 0xFF, bytes[25] = 0xFF;
            break;
        }
        writeBytes(path, bytes);
        if (LoadCalibrationFile(path, loaded)) {
            ++accepted;
            // Anything accepted was fully in the file.
            EXPECT_LE(54u + static_cast<std::size_t>(loaded.byteSize()), bytes.size());
        } else {
            EXPECT_TRUE(loaded.isEmpty());
        }
    }
    EXPECT_LT(accepted, 10000);
    EXPECT_FALSE(LoadCalibrationFile(temporaryPath("missing.bmp"), loaded));
    EXPECT_FALSE(LoadCalibrationFile(::testing::TempDir(), loaded)) << "a folder";
}

TEST(CalibrationTest, WindowReferencesMatchAndRerunThePipeline)
{
    auto window = FramePipeline::create(4, 2, 1);
    window->setDigitCapacity(16);
    TestCamera camera(4, 2, 1, 1000);
    window->deliverFrame(camera.span(), 4, 2, 1);
    const std::string dark = temporaryPath("window-dark.bmp");
    const std::string small = temporaryPath("small-dark.bmp");
    SaveCalibrationFile(dark, frameOf(4, 2, 1, {100, 100, 100, 100, 100, 100, 100, 100}));
    SaveCalibrationFile(small, frameOf(2, 2, 1, {1, 1, 1, 1}));
    MemorySettingsStore store;
    settings::write(store, settings::kDarkPath, small);
    settings::writeBool(store, settings::kApplyDark, true);
    settings::writeBool(store, settings::kApplyFlat, true);
    WindowCalibration calibration(*window, store);
    EXPECT_FALSE(calibration.matches(CalibrationKind::Dark)) << "another size loads but does not match";
    EXPECT_FALSE(calibration.applyDark()) << "and unchecks both options";
    EXPECT_FALSE(calibration.applyFlat());
    EXPECT_FALSE(calibration.darkControlsEnabled());
    calibration.setApplyDark(true);
    EXPECT_FALSE(calibration.applyDark());

    calibration.setPath(CalibrationKind::Dark, dark);
    EXPECT_TRUE(calibration.darkControlsEnabled());
    calibration.setApplyDark(true);
    EXPECT_EQ(window->rawFrame().samples()[0], 1000 - 100) << "applied at once";
    calibration.setContrast(CalibrationKind::Dark, 200);
    EXPECT_EQ(window->rawFrame().samples()[0], 1000 - 200) << "the factor applies to the file's samples";
    calibration.setContrast(CalibrationKind::Dark, 150);
    EXPECT_EQ(window->rawFrame().samples()[0], 1000 - 150);
    calibration.setApplyDark(false);
    EXPECT_EQ(window->rawFrame().samples()[0], 1000);
    calibration.save(store);
    EXPECT_EQ(settings::read(store, settings::kDarkContrast), 150);
    EXPECT_EQ(settings::read(store, settings::kDarkPath), dark);
}

TEST(CalibrationTest, AveragingUsesIntegerDivisionAndTheFlatRunSubtractsTheDark)
{
    auto window = FramePipeline::create(2, 1, 1);
    window->setDigitCapacity(16);
    MemorySettingsStore store;
    WindowCalibration calibration(*window, store);
    CalibrationRun run(calibration, CalibrationKind::Dark);
    EXPECT_EQ(run.prompt(), "Please, close up your camera and press OK...");
    ASSERT_TRUE(run.start(3));
    CalibrationRun other(calibration, CalibrationKind::Flat);
    EXPECT_FALSE(other.start(3)) << "one run per window";
    for (std::int32_t v : {1, 2, 2}) {
        TestCamera camera(2, 1, 1, v);
        window->deliverFrame(camera.span(), 2, 1, 1);
    }
    window->runPipeline(false); // not a new frame: not counted
    ASSERT_TRUE(run.finished());
    EXPECT_EQ(run.count(), 3);
    EXPECT_EQ(run.result().samples()[0], 1) << "(1 + 2 + 2) / 3";
    EXPECT_EQ(run.defaultFileName(1.5), "Dark-Field (2x1x1_3x1.5).bmp");
    const std::string path = temporaryPath("averaged-dark.bmp");
    ASSERT_TRUE(run.saveAndUse(path));
    EXPECT_TRUE(calibration.matches(CalibrationKind::Dark));
    EXPECT_FALSE(run.saveAndUse(temporaryPath("none/x.bmp"))) << "\"Error\": the previous reference stays";
    EXPECT_EQ(calibration.path(CalibrationKind::Dark), path);

    CalibrationRun flat(calibration, CalibrationKind::Flat);
    EXPECT_EQ(flat.prompt(), "Please, point your camera at uniformly illuminated field and press OK...");
    ASSERT_TRUE(flat.start(1));
    TestCamera bright(2, 1, 1, 101);
    window->deliverFrame(bright.span(), 2, 1, 1);
    ASSERT_TRUE(flat.finished());
    EXPECT_EQ(flat.result().samples()[0], 100) << "the dark (1) comes off first";
    EXPECT_EQ(flat.defaultFileName(0.0), "Flat-Field (2x1x1_1x0.0).bmp");
    CalibrationRun cancelled(calibration, CalibrationKind::Dark);
    ASSERT_TRUE(cancelled.start(5));
    cancelled.stop();
    EXPECT_TRUE(CalibrationRun(calibration, CalibrationKind::Dark).start(2)) << "Cancel frees the window";
}
