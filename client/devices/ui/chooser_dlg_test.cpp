#include "client/devices/ui/chooser_dlg.h"

#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace velmora::client;

TEST(CChooserDlg, ShowsDescriptionsPreselectsAndReturnsTheRow)
{
    std::vector<DriverEntry> drivers = {{"A.Camera", "Camera A"}, {"B.Camera", "Camera B"}};
    CChooserDlg dialog("Camera", drivers, 1);
    ASSERT_EQ(dialog.list()->count(), 2);
    EXPECT_EQ(dialog.list()->item(0)->text(), "Camera A");
    EXPECT_EQ(dialog.selection(), std::optional<std::size_t>(1));
    EXPECT_TRUE(dialog.okButton()->isEnabled());

    CChooserDlg none("Camera", drivers, -1);
    EXPECT_FALSE(none.selection().has_value());
    EXPECT_FALSE(none.okButton()->isEnabled()) << "nothing to confirm until a driver is selected";
    none.list()->setCurrentRow(0);
    EXPECT_TRUE(none.okButton()->isEnabled());
    EXPECT_EQ(none.selection(), std::optional<std::size_t>(0));
}
