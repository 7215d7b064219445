// The profile dialogs on a registry of their own: the list as the registry holds it,
// the current profile preselected, deleting, and the names the default buttons choose.
#include "server/frame/ui/profile_dlg.h"

#include "server/frame/profile_list.h"
#include "server/frame/telescope_settings.h"
#include "testing/temp_home.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace velmora::server {
namespace {

using Names = std::vector<std::string>;

class ProfileDialogTest : public ::testing::Test {
protected:
    void save(const std::string& profile) { ASSERT_TRUE(TelescopeSettings().save(store, profile)); }
    static QStringList shown(const CProfileDlg& dialog)
    {
        QStringList names;
        for (int i = 0; i < dialog.list()->topLevelItemCount(); ++i)
            names << dialog.list()->topLevelItem(i)->text(0);
        return names;
    }

    testing::TempHome home;
    DeviceSettings store;
};

TEST_F(ProfileDialogTest, LoadListsTheProfilesPreselectsTheCurrentAndDeletesWithoutAsking)
{
    save("Default");
    save("Observatory");
    save("Field");
    CLoadProfileDlg dialog(kTelescopeDriverName, "observatory");
    EXPECT_EQ(dialog.windowTitle(), "Load Profile");
    EXPECT_EQ(shown(dialog), (QStringList{"Default", "Observatory", "Field"}));
    ASSERT_NE(dialog.list()->currentItem(), nullptr);
    EXPECT_EQ(dialog.list()->currentItem()->text(0), "Observatory") << "names compare as the registry's do";
    EXPECT_TRUE(dialog.defaultButton()->isDefault());
    EXPECT_EQ(dialog.chosenName(), "Observatory");

    dialog.list()->setCurrentItem(dialog.list()->topLevelItem(2));
    QTest::mouseClick(dialog.deleteButton(), Qt::LeftButton);
    EXPECT_EQ(shown(dialog), (QStringList{"Default", "Observatory"}));
    EXPECT_EQ(listProfiles(kTelescopeDriverName), (Names{"Default", "Observatory"}));

    for (int left = 2; left > 0; --left)
        QTest::mouseClick(dialog.deleteButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.list()->topLevelItemCount(), 0);
    EXPECT_FALSE(dialog.defaultButton()->isEnabled());
    EXPECT_FALSE(dialog.deleteButton()->isEnabled());
    EXPECT_FALSE(dialog.chosenName());
    EXPECT_TRUE(listProfiles(kTelescopeDriverName).empty());
}

TEST_F(ProfileDialogTest, LoadClosesWithTheSelectedProfile)
{
    save("Default");
    save("Observatory");
    CLoadProfileDlg dialog(kTelescopeDriverName, "Default");
    dialog.show();
    dialog.list()->setCurrentItem(dialog.list()->topLevelItem(1));
    QTest::mouseClick(dialog.defaultButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.chosenName(), "Observatory");
}

TEST_F(ProfileDialogTest, SaveStartsWithTheCurrentNameTakesASelectedOneAndNeedsAName)
{
    save("Default");
    save("Observatory");
    CSaveProfileDlg dialog(kTelescopeDriverName, "Default");
    EXPECT_EQ(dialog.windowTitle(), "Save Profile");
    EXPECT_EQ(dialog.nameEdit()->text(), "Default");
    dialog.list()->setCurrentItem(dialog.list()->topLevelItem(1));
    EXPECT_EQ(dialog.nameEdit()->text(), "Observatory");

    dialog.nameEdit()->selectAll();
    QTest::keyClick(dialog.nameEdit(), Qt::Key_Delete);
    EXPECT_FALSE(dialog.defaultButton()->isEnabled()) << "no name, nothing to save under";
    QTest::keyClicks(dialog.nameEdit(), "Back Yard");
    EXPECT_TRUE(dialog.defaultButton()->isEnabled());
    EXPECT_EQ(dialog.chosenName(), "Back Yard");

    // Deleting leaves "Save Profile" to the name; only "Delete Profile" follows the list.
    QTest::mouseClick(dialog.deleteButton(), Qt::LeftButton);
    QTest::mouseClick(dialog.deleteButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.list()->topLevelItemCount(), 0);
    EXPECT_FALSE(dialog.deleteButton()->isEnabled());
    EXPECT_TRUE(dialog.defaultButton()->isEnabled());
}

} // namespace
} // namespace velmora::server
