#include "client/devices/driver_binding.h"

#include "client/devices/driver_chooser.h"
#include "client/shell/memory_settings_store.h"
#include "platform/automation/apartment.h"
#include "platform/automation/bstr.h"
#include "platform/automation/class_factory.h"
#include "platform/automation/dispatch_object.h"
#include "platform/automation/in_process_class.h"
#include "platform/automation/variant_text.h"

#include <gtest/gtest.h>

#include <memory>

using namespace velmora::client;
using namespace velmora::automation;

namespace {

// A driver that records every call into a log shared by the test.
class FakeDriver : public DispatchObject<FakeDriver> {
public:
    FakeDriver(std::string name, std::string* log, bool rejectConnection)
        : m_name(std::move(name)), m_log(log), m_reject(rejectConnection)
    {
        *m_log += "create " + m_name + ";";
    }
    ~FakeDriver() override { *m_log += "release " + m_name + ";"; }

    static const DispatchTable<FakeDriver>& dispatchTable()
    {
        static const auto table = [] {
            DispatchTable<FakeDriver> t;
            for (const char* name : {"Connected", "Link"}) {
                t.get(name, name[0] == 'C' ? 12 : 3, VT_BOOL,
                      [](FakeDriver& self, DispatchArgs, VARIANT* out) {
                          *out = Variant::boolean(self.m_connected).detach();
                          return S_OK;
                      });
                t.put(name, name[0] == 'C' ? 12 : 3, VT_VARIANT,
                      [name](FakeDriver& self, DispatchArgs args, VARIANT*) {
                          *self.m_log +=
                              "put " + self.m_name + "." + name + "=" + describeVariant(args[0]) + ";";
                          if (self.m_reject)
                              return reportError(IID_NULL, "Fake", "Not Connected");
                          self.m_connected = args[0].iVal != 0;
                          return S_OK;
                      });
            }
            for (const char* name : {"SetupDialog", "AbortExposure"})
                t.method(name, name[0] == 'S' ? 38 : 36, {}, {},
                         [name](FakeDriver& self, DispatchArgs, VARIANT*) {
                             *self.m_log += "call " + self.m_name + "." + name + ";";
                             return S_OK;
                         });
            t.method("PulseGuide", 37, {{"Direction", VT_VARIANT}, {"Duration", VT_VARIANT}}, {},
                     [](FakeDriver& self, DispatchArgs args, VARIANT*) {
                         *self.m_log +=
                             "pulse " + describeVariant(args[0]) + "," + describeVariant(args[1]) + ";";
                         return S_OK;
                     });
            return t;
        }();
        return table;
    }

private:
    std::string m_name;
    std::string* m_log;
    bool m_reject;
    bool m_connected = false;
};

// The chooser: answers a scripted ProgID ("" = cancelled).
class FakeChooser : public DispatchObject<FakeChooser> {
public:
    FakeChooser(std::string* log, std::string* answer) : m_log(log), m_answer(answer) {}
    static const DispatchTable<FakeChooser>& dispatchTable()
    {
        static const auto table =
            DispatchTable<FakeChooser>()
                .put("DeviceType", 1, VT_BSTR,
                     [](FakeChooser& self, DispatchArgs args, VARIANT*) {
                         *self.m_log += "chooser.DeviceType=" + describeVariant(args[0]) + ";";
                         return S_OK;
                     })
                .method("Choose", 2, {{"ProgID", VT_BSTR}}, VT_BSTR,
                        [](FakeChooser& self, DispatchArgs args, VARIANT* out) {
                            *self.m_log += "chooser.Choose(" + describeVariant(args[0]) + ");";
                            *out = Variant::string(*self.m_answer).detach();
                            return S_OK;
                        });
        return table;
    }

private:
    std::string* m_log;
    std::string* m_answer;
};

class FakeWindow : public DriverBindingWindow {
public:
    explicit FakeWindow(std::string* log) : m_log(log) {}
    void beginWaitCursor() override { ++waitCursors; }
    void endWaitCursor() override { --waitCursors; }
    void minimiseMainWindow() override { *m_log += "minimise;"; }
    void restoreMainWindow() override { *m_log += "restore;"; }
    void abortExposureCycle() override { *m_log += "abort-cycle;"; }
    bool hasImageWindow() const override { return imageWindow; }
    void closeImageWindow() override
    {
        *m_log += "close-image;";
        imageWindow = false;
    }
    bool imageWindowIsActive() const override { return imageWindow; }
    int toolDialogsAttached() const override { return tools; }

    bool imageWindow = false;
    int tools = 1;
    int waitCursors = 0;

private:
    std::string* m_log;
};

GUID clsidNumber(unsigned n)
{
    return GUID{0x51A70000u + n, 0x1111, 0x2222, {1, 2, 3, 4, 5, 6, 7, 8}};
}

class DriverBindingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        unsigned n = 0;
        for (const char* name : {"Camera", "Focuser", "Telescope", "Camera2", "Picky"}) {
            const bool picky = std::string(name) == "Picky";
            m_classes.push_back(
                std::make_unique<InProcessClass>(std::string("Fake.") + name, clsidNumber(n++),
                                                 creatorFor<FakeDriver>(std::string(name), &log, picky)));
        }
        settings.writeString("Drivers", "Camera", "Fake.Camera");
        settings.writeString("Drivers", "Focuser", "Fake.Focuser");
        settings.writeString("Drivers", "Telescope", "Fake.Telescope");
    }
    void TearDown() override { CoUninitialize(); }

    void installChooser()
    {
        m_classes.push_back(std::make_unique<InProcessClass>(kChooserProgId, clsidNumber(99),
                                                             creatorFor<FakeChooser>(&log, &chooserAnswer)));
    }

    std::string log;
    std::string chooserAnswer;
    MemorySettingsStore settings;
    std::vector<std::unique_ptr<InProcessClass>> m_classes;
};

} // namespace

TEST_F(DriverBindingTest, StartupCreatesInOrderThenConnectsAndShutdownUndoesIt)
{
    FakeWindow window(&log);
    DriverBinding binding(window);
    binding.bindAtStartup(settings);
    EXPECT_EQ(log, "create Camera;create Focuser;create Telescope;"
                   "put Camera.Connected=i2:-1;put Focuser.Link=i2:-1;put Telescope.Connected=i2:-1;");
    EXPECT_EQ(window.waitCursors, 0);
    EXPECT_TRUE(binding.isCommandEnabled(kCommandGuiding));
    EXPECT_TRUE(binding.isCommandEnabled(kCommandFocusing));

    log.clear();
    MemorySettingsStore saved;
    binding.unbindAtShutdown(saved);
    EXPECT_EQ(log, "put Camera.Connected=i2:0;put Focuser.Link=i2:0;put Telescope.Connected=i2:0;"
                   "release Camera;release Focuser;release Telescope;");
    EXPECT_EQ(saved.readString("Drivers", "Focuser", ""), "Fake.Focuser");
}

TEST_F(DriverBindingTest, StaleOrOverlongProgIdsLeaveTheKindEmptyAndAreKept)
{
    settings.writeString("Drivers", "Focuser", "Gone.Focuser");
    settings.writeString("Drivers", "Telescope", "Fake.Telescope" + std::string(300, 'x'));
    FakeWindow window(&log);
    DriverBinding binding(window);
    binding.bindAtStartup(settings);
    EXPECT_EQ(binding.driver(DriverKind::Focuser), nullptr);
    EXPECT_EQ(binding.driver(DriverKind::Telescope), nullptr) << "not truncated into Fake.Telescope";
    EXPECT_FALSE(binding.isCommandEnabled(kCommandFocuserSetup));
    EXPECT_FALSE(binding.isCommandEnabled(kCommandFocusing));
    EXPECT_FALSE(binding.isCommandEnabled(kCommandGuiding));
    EXPECT_TRUE(binding.isCommandEnabled(kCommandChooseFocuser));
    MemorySettingsStore saved;
    binding.unbindAtShutdown(saved);
    EXPECT_EQ(saved.readString("Drivers", "Focuser", ""), "Gone.Focuser");

    DriverRef ref;
    EXPECT_EQ(CreateDriver(std::string(256, 'a'), ref), CO_E_CLASSSTRING);
}

TEST_F(DriverBindingTest, ChoosingWithoutChooserOrWithCancelChangesNothing)
{
    FakeWindow window(&log);
    window.imageWindow = true;
    DriverBinding binding(window);
    binding.bindAtStartup(settings);
    log.clear();
    binding.chooseDriver(DriverKind::Camera);
    EXPECT_EQ(log, "") << "no chooser installed: nothing visible";

    installChooser();
    chooserAnswer = "";
    binding.chooseDriver(DriverKind::Focuser);
    EXPECT_EQ(log, "chooser.DeviceType=str:Focuser;minimise;chooser.Choose(str:Fake.Focuser);restore;");
    EXPECT_TRUE(window.imageWindow);
    EXPECT_EQ(binding.progId(DriverKind::Focuser), "Fake.Focuser");
}

TEST_F(DriverBindingTest, ChoosingANewDriverReplacesItInOrder)
{
    installChooser();
    FakeWindow window(&log);
    window.imageWindow = true;
    DriverBinding binding(window);
    binding.bindAtStartup(settings);
    log.clear();
    chooserAnswer = "Fake.Camera2";
    binding.chooseDriver(DriverKind::Camera);
    EXPECT_EQ(log, "chooser.DeviceType=str:Camera;minimise;chooser.Choose(str:Fake.Camera);"
                   "abort-cycle;close-image;put Camera.Connected=i2:0;release Camera;"
                   "create Camera2;put Camera2.Connected=i2:-1;restore;");
    EXPECT_EQ(binding.progId(DriverKind::Camera), "Fake.Camera2");

    log.clear();
    chooserAnswer = "Fake.Telescope"; // the same ProgID still goes through the replacement
    binding.chooseDriver(DriverKind::Telescope);
    EXPECT_NE(log.find("abort-cycle;put Telescope.Connected=i2:0;release Telescope;create Telescope;"),
              std::string::npos)
        << log;
}

TEST_F(DriverBindingTest, RejectedConnectionStaysBoundAndSetupFollowsTheRules)
{
    settings.writeString("Drivers", "Telescope", "Fake.Picky");
    FakeWindow window(&log);
    DriverBinding binding(window);
    binding.bindAtStartup(settings);
    EXPECT_NE(binding.driver(DriverKind::Telescope), nullptr);
    EXPECT_FALSE(binding.isCommandEnabled(kCommandGuiding)) << "Connected reads false";

    window.imageWindow = true;
    window.tools = 2;
    EXPECT_FALSE(binding.isCommandEnabled(kCommandCameraSetup)) << "a guiding window is open";
    window.tools = 1;
    EXPECT_TRUE(binding.isCommandEnabled(kCommandCameraSetup));
    log.clear();
    binding.openSetupDialog(DriverKind::Focuser);
    EXPECT_EQ(log, "abort-cycle;close-image;minimise;call Focuser.SetupDialog;restore;");
}

TEST_F(DriverBindingTest, MethodArgumentsArriveInNaturalOrder)
{
    DriverRef telescope;
    ASSERT_EQ(CreateDriver("Fake.Telescope", telescope), S_OK);
    EXPECT_EQ(CallDriverMethod(telescope.get(), "PulseGuide", *Variant::i4(3).get(), *Variant::i4(250).get()),
              S_OK);
    EXPECT_NE(log.find("pulse i4:3,i4:250;"), std::string::npos) << log;
    EXPECT_EQ(CallDriverMethod(telescope.get(), "NoSuchMember"), DISP_E_UNKNOWNNAME);
}
