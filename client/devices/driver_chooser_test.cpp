#include "client/devices/driver_chooser.h"

#include "client/devices/driver_calls.h"
#include "platform/automation/apartment.h"
#include "platform/automation/bstr.h"
#include "platform/registry/registry.h"
#include "testing/temp_home.h"

#include <gtest/gtest.h>

using namespace velmora::client;
using namespace velmora::automation;

namespace {

void addDriver(const std::string& type, const std::string& progId, const std::string& description,
               bool withNul)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, ("SOFTWARE\\ASCOM\\" + type + " Drivers\\" + progId).c_str(),
                             KEY_ALL_ACCESS, &key),
              ERROR_SUCCESS);
    RegSetValueEx(key, nullptr, REG_SZ, reinterpret_cast<const BYTE*>(description.c_str()),
                  static_cast<DWORD>(description.size() + (withNul ? 1 : 0)));
    RegCloseKey(key);
}

class ScriptedDialog : public ChooserDialog {
public:
    std::optional<std::size_t> choose(const std::string& deviceType, const std::vector<DriverEntry>& drivers,
                                      int preselected) override
    {
        shownType = deviceType;
        shown = drivers;
        shownSelection = preselected;
        return answer;
    }
    std::optional<std::size_t> answer;
    std::string shownType;
    std::vector<DriverEntry> shown;
    int shownSelection = -2;
};

std::string choose(IDispatch* chooser, const std::string& type, const std::string& current,
                   HRESULT* hr = nullptr)
{
    PutDriverProperty(chooser, "DeviceType", *Variant::string(type).get());
    Variant result;
    HRESULT rc = CallDriverMethod(chooser, "Choose", *Variant::string(current).get(), result.get());
    if (hr)
        *hr = rc;
    return result->vt == VT_BSTR ? bstrToUtf8(result->bstrVal) : "?";
}

} // namespace

TEST(DriverChooser, ListsTheTypesDriversAndReturnsTheChoice)
{
    velmora::testing::TempHome home;
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    addDriver("Focuser", "VelmoraServer.Focuser", "Velmora Focuser KF-3", false);
    addDriver("Focuser", "Other.Focuser", "Other Focuser", true);
    addDriver("Telescope", "VelmoraServer.Telescope", "Velmora Pulse Guider LPT/KR-4", false);

    ScriptedDialog dialog;
    auto registration = registerDriverChooser(dialog);
    ASSERT_EQ(registration->status(), S_OK);
    DriverRef chooser;
    ASSERT_EQ(CreateDriver(kChooserProgId, chooser), S_OK);

    dialog.answer = 1;
    HRESULT hr = E_FAIL;
    EXPECT_EQ(choose(chooser.get(), "Focuser", "velmoraserver.focuser", &hr), "Other.Focuser");
    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(dialog.shownType, "Focuser");
    ASSERT_EQ(dialog.shown.size(), 2u);
    EXPECT_EQ(dialog.shown[0].description, "Velmora Focuser KF-3") << "stored without its NUL";
    EXPECT_EQ(dialog.shown[1].description, "Other Focuser");
    EXPECT_EQ(dialog.shownSelection, 0) << "the current ProgID is preselected";

    dialog.answer.reset();
    EXPECT_EQ(choose(chooser.get(), "Telescope", "Nothing.Known"), "") << "cancel gives an empty string";
    EXPECT_EQ(dialog.shownSelection, -1);
    dialog.answer = 5;
    EXPECT_EQ(choose(chooser.get(), "Camera", ""), "") << "no camera drivers registered";
    EXPECT_TRUE(dialog.shown.empty());
    EXPECT_EQ(choose(chooser.get(), "..\\..\\Evil", ""), "");

    EXPECT_NE(velmora::testing::readFile(home.registryFile("HKEY_CLASSES_ROOT"))
                  .find("[HKEY_CLASSES_ROOT\\DriverHelper.Chooser\\CLSID]"),
              std::string::npos);
    chooser.reset();
    registration.reset();
    CoUninitialize();
}
