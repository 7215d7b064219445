// Profile list, delete and the rules of the "Load Profile" and "Save Profile" dialogs.
#include "server/frame/profile_chooser.h"
#include "server/frame/profile_list.h"

#include "server/frame/camera_settings.h"
#include "server/frame/focuser_settings.h"
#include "testing/temp_home.h"

#include <gtest/gtest.h>

namespace velmora::server {
namespace {

using Names = std::vector<std::string>;

class ProfileTest : public ::testing::Test {
protected:
    void saveCamera(const std::string& profile, int width = 640)
    {
        CameraSettings camera;
        camera.formatWidth = width;
        ASSERT_TRUE(camera.save(store, profile));
    }

    testing::TempHome home;
    DeviceSettings store;
};

TEST_F(ProfileTest, ListsProfilesInRegistryOrderPerDriver)
{
    EXPECT_TRUE(listProfiles(kCameraDriverName).empty());
    saveCamera("Default");
    saveCamera("Rig B");
    saveCamera("Rig A");
    FocuserSettings().save(store, "Focuser Only");
    EXPECT_EQ(listProfiles(kCameraDriverName), (Names{"Default", "Rig B", "Rig A"}));
    EXPECT_EQ(listProfiles(kFocuserDriverName), (Names{"Focuser Only"}));
    EXPECT_TRUE(listProfiles(kTelescopeDriverName).empty());
}

TEST_F(ProfileTest, DeleteRemovesTheProfileWithAllItsSections)
{
    saveCamera("Default");
    saveCamera("Rig A", 1280);
    EXPECT_TRUE(deleteProfile(kCameraDriverName, "Rig A"));
    EXPECT_EQ(listProfiles(kCameraDriverName), (Names{"Default"}));
    CameraSettings camera;
    camera.load(store, "Rig A");
    EXPECT_EQ(camera.formatWidth, 640); // nothing of it is left
    EXPECT_TRUE(deleteProfile(kCameraDriverName, "Never Saved"));
    EXPECT_FALSE(deleteProfile(kCameraDriverName, ""));
    EXPECT_FALSE(deleteProfile(kCameraDriverName, "Rig A\\Format"));
    EXPECT_FALSE(deleteProfile(kTelescopeDriverName, "Default")); // no driver key at all
}

TEST_F(ProfileTest, LoadDialogPreselectsTheCurrentProfile)
{
    saveCamera("Default");
    saveCamera("Rig A");
    saveCamera("Rig B");
    ProfileChooser load(ProfileChooser::Kind::Load, kCameraDriverName, "rig a");
    EXPECT_EQ(load.profiles(), (Names{"Default", "Rig A", "Rig B"}));
    EXPECT_EQ(load.selected(), 1u);
    EXPECT_TRUE(load.loadEnabled());
    EXPECT_TRUE(load.deleteEnabled());
    EXPECT_FALSE(load.saveEnabled());
    EXPECT_EQ(load.chosenName(), "Rig A");

    load.select(7); // not an item: nothing changes
    EXPECT_EQ(load.selected(), 1u);
    load.select(2);
    EXPECT_EQ(load.chosenName(), "Rig B");
}

TEST_F(ProfileTest, LoadDialogDeletesUntilNothingIsLeft)
{
    saveCamera("Default");
    saveCamera("Rig A");
    ProfileChooser load(ProfileChooser::Kind::Load, kCameraDriverName, "Default");
    ASSERT_TRUE(load.deleteSelected());
    EXPECT_EQ(load.profiles(), (Names{"Rig A"}));
    EXPECT_EQ(load.selected(), 0u); // the neighbour takes the selection
    EXPECT_EQ(listProfiles(kCameraDriverName), (Names{"Rig A"}));

    ASSERT_TRUE(load.deleteSelected());
    EXPECT_TRUE(load.profiles().empty());
    EXPECT_FALSE(load.loadEnabled());
    EXPECT_FALSE(load.deleteEnabled());
    EXPECT_EQ(load.chosenName(), std::nullopt);
    EXPECT_FALSE(load.deleteSelected());
}

TEST_F(ProfileTest, LoadDialogOnAFreshAccountHasNothingToOffer)
{
    ProfileChooser load(ProfileChooser::Kind::Load, kCameraDriverName, "Default");
    EXPECT_TRUE(load.profiles().empty());
    EXPECT_FALSE(load.loadEnabled());
    EXPECT_FALSE(load.deleteEnabled());
}

TEST_F(ProfileTest, LoadDialogWithoutTheCurrentProfileSelectsNothing)
{
    saveCamera("Rig A");
    ProfileChooser load(ProfileChooser::Kind::Load, kCameraDriverName, "Deleted Elsewhere");
    EXPECT_EQ(load.selected(), std::nullopt);
    // Loading needs a profile to load: an empty name would address the driver key.
    EXPECT_FALSE(load.loadEnabled());
    EXPECT_FALSE(load.deleteEnabled());
}

TEST_F(ProfileTest, SaveDialogNameFollowsSelectionAndMustBeAKey)
{
    saveCamera("Default");
    saveCamera("Rig A");
    ProfileChooser save(ProfileChooser::Kind::Save, kCameraDriverName, "Default");
    EXPECT_EQ(save.enteredName(), "Default");
    EXPECT_TRUE(save.saveEnabled());
    EXPECT_FALSE(save.loadEnabled());
    save.select(1);
    EXPECT_EQ(save.enteredName(), "Rig A");

    save.setEnteredName("");
    EXPECT_FALSE(save.saveEnabled());
    EXPECT_EQ(save.chosenName(), std::nullopt);
    save.setEnteredName("Sub\\Key");
    EXPECT_FALSE(save.saveEnabled());
    save.setEnteredName("Comet Night");
    EXPECT_TRUE(save.saveEnabled());
    EXPECT_EQ(save.chosenName(), "Comet Night");
    // Deleting the selected profile leaves the entered name to the new selection.
    ASSERT_TRUE(save.deleteSelected());
    EXPECT_EQ(save.enteredName(), "Default");
    ASSERT_TRUE(save.deleteSelected());
    EXPECT_FALSE(save.deleteEnabled());
    EXPECT_TRUE(save.saveEnabled()); // a name can still be saved with an empty list
}

TEST_F(ProfileTest, SavingUnderANewNameIsListedAndPreselected)
{
    saveCamera("Default");
    ProfileChooser save(ProfileChooser::Kind::Save, kCameraDriverName, "Default");
    save.setEnteredName("Rig C");
    std::optional<std::string> name = save.chosenName();
    ASSERT_TRUE(name);
    saveCamera(*name, 800);

    ProfileChooser load(ProfileChooser::Kind::Load, kCameraDriverName, *name);
    EXPECT_EQ(load.profiles(), (Names{"Default", "Rig C"}));
    EXPECT_EQ(load.chosenName(), "Rig C");
    CameraSettings camera;
    camera.load(store, *load.chosenName());
    EXPECT_EQ(camera.formatWidth, 800);
}

} // namespace
} // namespace velmora::server
