// The INDI adapters against a real indiserver running the INDI simulators, bound
// through the client's own CreateDriver and call routines.

#include "client/devices/driver_calls.h"
#include "client/devices/driver_chooser.h"
#include "client/devices/indi/indi_connection.h"
#include "client/devices/indi/indi_drivers.h"
#include "client/devices/indi/testing/indi_server.h"
#include "client/shell/memory_settings_store.h"
#include "client/shell/settings_layout.h"
#include "platform/automation/error_info.h"
#include "platform/automation/safe_array.h"
#include "testing/eventually.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace velmora::client::indi {
namespace {

using namespace std::chrono_literals;
using automation::Variant;
using testing::IndiServer;
using velmora::testing::eventually;

constexpr const char* kTelescope = "Telescope Simulator";
constexpr const char* kCamera = "CCD Simulator";
constexpr const char* kFocuser = "Focuser Simulator";

class IndiServerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { testing::enterPrivateNetwork(); }

    void SetUp() override { ASSERT_TRUE(server.started()) << server.log(); }

    DriverRef bind(IndiDeviceType type, const std::string& device)
    {
        DriverRef driver;
        EXPECT_EQ(CreateDriver(server.progId(type, device), driver), S_OK);
        return driver;
    }
    static HRESULT connect(IDispatch* driver, const char* member = "Connected")
    {
        return writeConnection(driver, member, true);
    }
    static double readDouble(IDispatch* driver, const char* member)
    {
        Variant value;
        EXPECT_EQ(GetDriverProperty(driver, member, value.get()), S_OK) << member;
        return value->vt == VT_R8 ? value->dblVal : NAN;
    }
    static LONG readLong(IDispatch* driver, const char* member)
    {
        Variant value;
        EXPECT_EQ(GetDriverProperty(driver, member, value.get()), S_OK) << member;
        return value->vt == VT_I4 ? value->lVal : -1;
    }
    static std::string errorDescription()
    {
        IErrorInfo* info = nullptr;
        if (GetErrorInfo(0, &info) != S_OK || !info)
            return {};
        BSTR text = nullptr;
        info->GetDescription(&text);
        std::string description = text ? automation::bstrToUtf8(text) : "";
        SysFreeString(text);
        info->Release();
        return description;
    }

    IndiServer server;
};

// ---- Chooser ---------------------------------------------------------------------------

struct RecordingChooserDialog : ChooserDialog {
    std::vector<DriverEntry> shown;
    std::optional<std::size_t> choose(const std::string&, const std::vector<DriverEntry>& drivers,
                                      int) override
    {
        shown = drivers;
        return drivers.empty() ? std::nullopt : std::optional<std::size_t>(drivers.size() - 1);
    }
};

std::vector<std::string> progIdsOf(const std::vector<DriverEntry>& entries)
{
    std::vector<std::string> ids;
    for (const DriverEntry& e : entries)
        ids.push_back(e.progId);
    return ids;
}

TEST_F(IndiServerTest, TheChooserListsEachSimulatorUnderItsTypeAfterTheRegisteredDrivers)
{
    MemorySettingsStore settings;
    settings::write(settings, settings::kIndiHost, std::string("127.0.0.1"));
    settings::write(settings, settings::kIndiPort, static_cast<std::int32_t>(server.address().port));
    RecordingChooserDialog dialog;
    DriverChooser chooser(&dialog, [&](const std::string& type) {
        std::vector<DriverEntry> registered = {{"VelmoraServer." + type, "ours"}};
        std::vector<DriverEntry> indi = indiServerDrivers(settings)(type);
        registered.insert(registered.end(), indi.begin(), indi.end());
        return registered;
    });

    chooser.setDeviceType("Camera");
    EXPECT_EQ(chooser.choose(""), server.progId(IndiDeviceType::Camera, kCamera));
    EXPECT_EQ(
        progIdsOf(dialog.shown),
        (std::vector<std::string>{"VelmoraServer.Camera", server.progId(IndiDeviceType::Camera, kCamera)}));
    EXPECT_NE(dialog.shown.back().description.find(kCamera), std::string::npos);

    // The camera's guide port guides too, so it is offered as a telescope.
    chooser.setDeviceType("Telescope");
    chooser.choose("");
    EXPECT_EQ(progIdsOf(dialog.shown),
              (std::vector<std::string>{"VelmoraServer.Telescope",
                                        server.progId(IndiDeviceType::Telescope, kCamera),
                                        server.progId(IndiDeviceType::Telescope, kTelescope)}));

    chooser.setDeviceType("Focuser");
    chooser.choose("");
    EXPECT_EQ(progIdsOf(dialog.shown),
              (std::vector<std::string>{"VelmoraServer.Focuser",
                                        server.progId(IndiDeviceType::Focuser, kFocuser)}));

    // A server that is not there lists nothing, at once.
    server.stop();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(announcedDevices(IndiDeviceType::Camera, server.address()).empty());
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
}

// ---- Telescope -------------------------------------------------------------------------

// A second client of the same server, reading the mount's own coordinates.
class MountWatcher {
public:
    explicit MountWatcher(const IndiServerAddress& server) : m_connection(server, kTelescope) {}

    bool start()
    {
        return m_connection.ensureConnected() &&
               m_connection.mirror().waitUntil(
                   [](const PropertyMirror::View& view) {
                       return view.property(kTelescope, "EQUATORIAL_EOD_COORD") &&
                              view.property(kTelescope, "GUIDE_RATE");
                   },
                   10s) == WaitOutcome::Satisfied;
    }
    std::pair<double, double> coordinates()
    {
        const auto c = m_connection.mirror().property(kTelescope, "EQUATORIAL_EOD_COORD");
        return {c->number("RA").value_or(NAN), c->number("DEC").value_or(NAN)};
    }
    std::optional<PropertyCopy> property(const std::string& name)
    {
        return m_connection.mirror().property(kTelescope, name);
    }
    IndiConnection& connection() { return m_connection; }

private:
    IndiConnection m_connection;
};

TEST_F(IndiServerTest, PulseGuideMovesTheMountByTheGuideRate)
{
    DriverRef telescope = bind(IndiDeviceType::Telescope, kTelescope);
    ASSERT_EQ(connect(telescope.get()), S_OK);
    EXPECT_TRUE(readDriverBool(telescope.get(), "Connected"));
    EXPECT_TRUE(readDriverBool(telescope.get(), "CanPulseGuide"));
    EXPECT_NEAR(readDouble(telescope.get(), "FocalLength"), 0.9, 1e-9); // 900 mm
    EXPECT_NEAR(readDouble(telescope.get(), "ApertureDiameter"), 0.12, 1e-9);

    // Tracking, pointed away from the pole so that right ascension means something.
    ASSERT_TRUE(testing::pointMountAtStarField(server.address()));
    MountWatcher mount(server.address());
    ASSERT_TRUE(mount.start());
    const auto rates = mount.property("GUIDE_RATE");
    ASSERT_TRUE(rates);
    const double northSouthRate = rates->number("GUIDE_RATE_NS").value();
    const double westEastRate = rates->number("GUIDE_RATE_WE").value();

    // The simulator's first pulse after tracking starts also moves it by the
    // tracking it missed (about 2'' in right ascension): one pulse before measuring.
    ASSERT_EQ(CallDriverMethod(telescope.get(), "PulseGuide", *Variant::i4(0).get(), *Variant::i4(100).get()),
              S_OK);
    ASSERT_TRUE(eventually([&] { return !readDriverBool(telescope.get(), "IsPulseGuiding"); }, 10s));

    struct Case {
        LONG direction;
        double decSign;
        double raSign;
    };
    // North raises the declination; East raises the right ascension, West lowers it.
    for (const Case& c : {Case{0, 1, 0}, Case{1, -1, 0}, Case{2, 0, 1}, Case{3, 0, -1}}) {
        SCOPED_TRACE(c.direction);
        const auto [ra0, dec0] = mount.coordinates();
        ASSERT_EQ(CallDriverMethod(telescope.get(), "PulseGuide", *Variant::i4(c.direction).get(),
                                   *Variant::i4(2000).get()),
                  S_OK);
        EXPECT_TRUE(readDriverBool(telescope.get(), "IsPulseGuiding"));
        ASSERT_TRUE(eventually([&] { return !readDriverBool(telescope.get(), "IsPulseGuiding"); }, 10s));
        const double expectedDec = c.decSign * northSouthRate * 15 * 2;
        const double expectedRa = c.raSign * westEastRate * 15 * 2;
        double decArcsec = 0;
        double raArcsec = 0;
        // The mount reports its coordinates on its next poll after the pulse, and only
        // when they changed.
        eventually([&] {
            const auto [ra1, dec1] = mount.coordinates();
            decArcsec = (dec1 - dec0) * 3600;
            raArcsec = (ra1 - ra0) * 15 * 3600; // hours of right ascension in arc seconds
            return std::abs(decArcsec - expectedDec) + std::abs(raArcsec - expectedRa) < 0.3;
        });
        // Within 1 % of the pulse's motion; the other axis (and sidereal tracking) still.
        EXPECT_NEAR(decArcsec, expectedDec, 0.01 * 15 * 2 * northSouthRate);
        EXPECT_NEAR(raArcsec, expectedRa, 0.01 * 15 * 2 * westEastRate);
    }

    // Arguments as our own drivers check them.
    EXPECT_EQ(CallDriverMethod(telescope.get(), "PulseGuide", *Variant::i4(0).get(), *Variant::i4(-1).get()),
              DISP_E_EXCEPTION);
    EXPECT_EQ(errorDescription(), "Invalid Duration");
    EXPECT_EQ(CallDriverMethod(telescope.get(), "PulseGuide", *Variant::i4(7).get(), *Variant::i4(100).get()),
              DISP_E_EXCEPTION);
    EXPECT_EQ(errorDescription(), "Invalid Value");
    EXPECT_EQ(CallDriverMethod(telescope.get(), "SlewToTarget"), DISP_E_EXCEPTION);
    EXPECT_EQ(errorDescription(), "Not Supported");

    // Disconnecting lets go of the device for this client only.
    ASSERT_EQ(writeConnection(telescope.get(), "Connected", false), S_OK);
    EXPECT_FALSE(readDriverBool(telescope.get(), "Connected"));
    EXPECT_EQ(CallDriverMethod(telescope.get(), "PulseGuide", *Variant::i4(0).get(), *Variant::i4(100).get()),
              DISP_E_EXCEPTION);
    EXPECT_EQ(errorDescription(), "Not Connected");
    EXPECT_TRUE(mount.property("CONNECTION")->switchOn("CONNECT"));
}

// ---- Camera ----------------------------------------------------------------------------

struct FitsReference {
    long width = 0;
    long height = 0;
    std::vector<std::int32_t> values;
};

// An independent reading of the simulator's 16-bit FITS: 2880-byte header blocks of
// 80-character cards, then big-endian samples offset by BZERO.
FitsReference readSixteenBitFits(const std::vector<char>& bytes)
{
    FitsReference image;
    long bitpix = 0;
    double bzero = 0;
    std::size_t offset = 0;
    for (bool end = false; !end && offset + 80 <= bytes.size(); offset += 80) {
        const std::string card(bytes.data() + offset, 80);
        const std::string key = card.substr(0, 8);
        const double value = card.size() > 10 ? std::atof(card.c_str() + 10) : 0;
        if (key == "BITPIX  ")
            bitpix = static_cast<long>(value);
        else if (key == "NAXIS1  ")
            image.width = static_cast<long>(value);
        else if (key == "NAXIS2  ")
            image.height = static_cast<long>(value);
        else if (key == "BZERO   ")
            bzero = value;
        end = key == "END     ";
    }
    offset = (offset + 2879) / 2880 * 2880;
    if (bitpix != 16 || offset + image.width * image.height * 2 > bytes.size())
        return {};
    for (long i = 0; i < image.width * image.height; ++i) {
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + offset + 2 * i);
        const auto raw = static_cast<std::int16_t>((p[0] << 8) | p[1]);
        image.values.push_back(static_cast<std::int32_t>(raw + bzero));
    }
    return image;
}

TEST_F(IndiServerTest, AnExposureGivesTheFitsBlobAsImageArray)
{
    ASSERT_TRUE(testing::pointMountAtStarField(server.address())); // the camera draws what the mount sees
    DriverRef camera = bind(IndiDeviceType::Camera, kCamera);
    EXPECT_FALSE(readDriverBool(camera.get(), "Connected"));
    EXPECT_EQ(
        CallDriverMethod(camera.get(), "StartExposure", *Variant::r8(1).get(), *Variant::boolean(true).get()),
        DISP_E_EXCEPTION);
    EXPECT_EQ(errorDescription(), "Not Connected");
    ASSERT_EQ(connect(camera.get()), S_OK);
    const LONG width = readLong(camera.get(), "CameraXSize");
    const LONG height = readLong(camera.get(), "CameraYSize");
    EXPECT_EQ(width, 1280);
    EXPECT_EQ(height, 1024);
    EXPECT_NEAR(readDouble(camera.get(), "PixelSizeX"), 5.2, 1e-5);
    EXPECT_NEAR(readDouble(camera.get(), "PixelSizeY"), 5.2, 1e-5);
    EXPECT_EQ(readLong(camera.get(), "CameraState"), 0);
    EXPECT_FALSE(readDriverBool(camera.get(), "ImageReady"));

    // A second client receives the same BLOB, to compare with.
    IndiConnection watcher(server.address(), kCamera);
    ASSERT_TRUE(watcher.ensureConnected());
    ASSERT_EQ(watcher.mirror().waitUntil(
                  [](const PropertyMirror::View& v) { return v.property(kCamera, "CCD1") != nullptr; }, 10s),
              WaitOutcome::Satisfied);
    watcher.receiveBlobs(kCamera);

    Variant started;
    ASSERT_EQ(CallDriverMethod(camera.get(), "StartExposure", *Variant::r8(1).get(),
                               *Variant::boolean(true).get(), started.get()),
              S_OK);
    EXPECT_EQ(readLong(camera.get(), "CameraState"), 2); // exposing
    EXPECT_EQ(GetDriverProperty(camera.get(), "ImageArray", Variant().get()), DISP_E_EXCEPTION);
    EXPECT_EQ(errorDescription(), "Image Not Ready");
    ASSERT_TRUE(eventually([&] { return readDriverBool(camera.get(), "ImageReady"); }, 30s));
    EXPECT_EQ(readLong(camera.get(), "CameraState"), 0);

    Variant array;
    ASSERT_EQ(GetDriverProperty(camera.get(), "ImageArray", array.get()), S_OK);
    ASSERT_EQ(array->vt, VT_ARRAY | VT_I4);
    SAFEARRAY* samples = array->parray;
    ASSERT_EQ(samples->cDims, 2u);
    EXPECT_EQ(static_cast<LONG>(samples->rgsabound[0].cElements), width);
    EXPECT_EQ(static_cast<LONG>(samples->rgsabound[1].cElements), height);

    ASSERT_TRUE(eventually(
        [&] {
            auto blob = watcher.mirror().property(kCamera, "CCD1");
            return blob && blob->blobsReceived > 0;
        },
        10s));
    const FitsReference reference = readSixteenBitFits(*watcher.mirror().property(kCamera, "CCD1")->blob);
    ASSERT_EQ(reference.width, width);
    ASSERT_EQ(reference.height, height);
    // The simulator writes its top row first (ROWORDER 'TOP-DOWN'); ImageArray holds the
    // bottom row first, as our own camera does.
    const auto* values = static_cast<const std::int32_t*>(samples->pvData);
    long differing = 0;
    for (long y = 0; y < height; ++y)
        differing += std::memcmp(values + y * width, reference.values.data() + (height - 1 - y) * width,
                                 width * sizeof(std::int32_t)) != 0;
    EXPECT_EQ(differing, 0);
    // The stand-in catalogue's stars are in the frame, well above the sky.
    EXPECT_GT(*std::max_element(reference.values.begin(), reference.values.end()), 1000);

    // An aborted exposure never becomes ready.
    ASSERT_EQ(
        CallDriverMethod(camera.get(), "StartExposure", *Variant::r8(5).get(), *Variant::boolean(true).get()),
        S_OK);
    EXPECT_FALSE(readDriverBool(camera.get(), "ImageReady"));
    EXPECT_EQ(CallDriverMethod(camera.get(), "AbortExposure"), S_OK);
    EXPECT_FALSE(readDriverBool(camera.get(), "ImageReady"));
    EXPECT_EQ(CallDriverMethod(camera.get(), "GetRawBuffer", *Variant::i8(1).get()), DISP_E_EXCEPTION);
    EXPECT_EQ(errorDescription(), "Not Supported");
    EXPECT_EQ(CallDriverMethod(camera.get(), "StartExposure", *Variant::r8(-1).get(),
                               *Variant::boolean(true).get()),
              DISP_E_EXCEPTION);
    EXPECT_EQ(errorDescription(), "Invalid Duration");
}

// ---- Focuser ---------------------------------------------------------------------------

TEST_F(IndiServerTest, TheFocuserMovesToAPositionAndReportsIt)
{
    DriverRef focuser = bind(IndiDeviceType::Focuser, kFocuser);
    ASSERT_EQ(connect(focuser.get(), "Link"), S_OK);
    EXPECT_TRUE(readDriverBool(focuser.get(), "Link"));
    EXPECT_TRUE(readDriverBool(focuser.get(), "Absolute"));
    EXPECT_EQ(readLong(focuser.get(), "MaxStep"), 100000);
    EXPECT_FALSE(readDriverBool(focuser.get(), "IsMoving"));

    for (LONG target : {40000, 41234, 39000}) {
        SCOPED_TRACE(target);
        ASSERT_EQ(CallDriverMethod(focuser.get(), "Move", *Variant::i4(target).get()), S_OK);
        // Moving until the focuser has answered the move, then at the target.
        ASSERT_TRUE(eventually([&] { return !readDriverBool(focuser.get(), "IsMoving"); }, 20s));
        EXPECT_EQ(readLong(focuser.get(), "Position"), target);
    }
    EXPECT_EQ(CallDriverMethod(focuser.get(), "Move", *Variant::i4(100001).get()), DISP_E_EXCEPTION);
    EXPECT_EQ(errorDescription(), "Invalid Value");
    EXPECT_EQ(GetDriverProperty(focuser.get(), "StepSize", Variant().get()), DISP_E_EXCEPTION);
    EXPECT_EQ(errorDescription(), "Not Supported");
}

// ---- Failures --------------------------------------------------------------------------

TEST_F(IndiServerTest, AServerThatStopsMidCallFailsTheCallWithinTheBoundAndTheNextBindReconnects)
{
    const std::string progId = server.progId(IndiDeviceType::Telescope, kTelescope);
    IndiDriverOptions options;
    options.bounds.answer = 2s;
    options.bounds.deviceConnect = 4s;
    bool stopped = false;
    options.waitObserver = [&] {
        if (!stopped)
            server.stop(); // while the call waits for the server's answer
        stopped = true;
    };
    DriverRef telescope;
    ASSERT_EQ(createIndiDriver(progId, telescope, options), S_OK);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(connect(telescope.get()), DISP_E_EXCEPTION);
    EXPECT_EQ(errorDescription(), "Not Connected");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s); // lost connections end the wait at once
    EXPECT_FALSE(readDriverBool(telescope.get(), "Connected"));

    // Not running: refused at once.
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(connect(telescope.get()), DISP_E_EXCEPTION);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);

    // A server that accepts and never answers fails the call when the bound passes.
    IndiServer silent;
    ASSERT_TRUE(silent.started());
    silent.freeze();
    DriverRef frozen;
    options.waitObserver = {};
    ASSERT_EQ(createIndiDriver(silent.progId(IndiDeviceType::Telescope, kTelescope), frozen, options), S_OK);
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(connect(frozen.get()), DISP_E_EXCEPTION);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, 2s);
    EXPECT_LT(took, 2s + options.bounds.connect + 1s);
    silent.stop();

    // The next bind reaches a server that is back.
    IndiServer again;
    ASSERT_TRUE(again.started()) << again.log();
    DriverRef rebound;
    ASSERT_EQ(CreateDriver(again.progId(IndiDeviceType::Telescope, kTelescope), rebound), S_OK);
    EXPECT_EQ(connect(rebound.get()), S_OK);
    EXPECT_TRUE(readDriverBool(rebound.get(), "Connected"));

    // A device whose driver goes away reads as disconnected.
    again.killDriver("indi_simulator_telescope");
    EXPECT_TRUE(eventually([&] { return !readDriverBool(rebound.get(), "Connected"); }, 10s));
}

TEST(IndiProgIdBinding, AMalformedIndiIdentifierIsRefusedAndNeverLookedUpAsAClass)
{
    DriverRef driver;
    EXPECT_EQ(CreateDriver("INDI.Camera:CCD Simulator", driver), CO_E_CLASSSTRING);
    EXPECT_EQ(CreateDriver("indi.Dome:Dome@127.0.0.1:7624", driver), CO_E_CLASSSTRING);
    EXPECT_FALSE(driver);
    // Creating never waits for the server: nothing listens on this port.
    EXPECT_EQ(CreateDriver("INDI.Focuser:Focuser Simulator@127.0.0.1:1", driver), S_OK);
    EXPECT_FALSE(readDriverBool(driver.get(), "Link"));
    EXPECT_EQ(writeConnection(driver.get(), "Link", true), DISP_E_EXCEPTION);
}

} // namespace
} // namespace velmora::client::indi
