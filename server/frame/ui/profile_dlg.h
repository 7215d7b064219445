#pragma once
// CLoadProfileDlg (dialog 109, "Load Profile") and CSaveProfileDlg (dialog 110, "Save
// Profile"): the tree list of one driver's profiles (id 1057), the default button (id
// 1), "Delete Profile" (id 1060), "Cancel", and for saving the name edit (id 1061).
// Everything they show and allow comes from their ProfileChooser.

#include "server/frame/profile_chooser.h"

#include <QDialog>

#include <optional>
#include <string>

class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace velmora::server {

namespace profile_dlg {
constexpr int kLoadDialogId = 109;
constexpr int kSaveDialogId = 110;
constexpr int kList = 1057;
constexpr int kDefaultButton = 1;
constexpr int kCancel = 2;
constexpr int kDelete = 1060;
constexpr int kName = 1061;
} // namespace profile_dlg

class CProfileDlg : public QDialog {
    Q_OBJECT
public:
    const ProfileChooser& chooser() const { return m_chooser; }
    QTreeWidget* list() const { return m_list; }
    QPushButton* defaultButton() const { return m_default; }
    QPushButton* deleteButton() const { return m_delete; }
    // The name chosen when the dialog closed with its default button.
    std::optional<std::string> chosenName() const { return m_chooser.chosenName(); }

protected:
    CProfileDlg(ProfileChooser::Kind kind, const std::string& driverName, const std::string& currentProfile,
                QWidget* parent);
    ProfileChooser& mutableChooser() { return m_chooser; }
    virtual void showState();
    void fillList();

private:
    void deleteSelected();

    ProfileChooser m_chooser;
    QTreeWidget* m_list;
    QPushButton* m_default;
    QPushButton* m_delete;
};

class CLoadProfileDlg : public CProfileDlg {
    Q_OBJECT
public:
    CLoadProfileDlg(const std::string& driverName, const std::string& currentProfile,
                    QWidget* parent = nullptr);
};

class CSaveProfileDlg : public CProfileDlg {
    Q_OBJECT
public:
    CSaveProfileDlg(const std::string& driverName, const std::string& currentProfile,
                    QWidget* parent = nullptr);
    QLineEdit* nameEdit() const { return m_name; }

protected:
    void showState() override;

private:
    QLineEdit* m_name;
};

// Run modally: the profile to load or the name to save under, none when cancelled.
std::optional<std::string> chooseProfileToLoad(const std::string& driverName,
                                               const std::string& currentProfile, QWidget* parent);
std::optional<std::string> chooseProfileToSave(const std::string& driverName,
                                               const std::string& currentProfile, QWidget* parent);

} // namespace velmora::server
