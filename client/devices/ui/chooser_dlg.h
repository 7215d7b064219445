#pragma once
// CChooserDlg: the driver chooser's modal dialog, a list of driver descriptions with
// OK and Cancel.

#include "client/devices/driver_chooser.h"

#include <QDialog>

class QListWidget;
class QPushButton;

namespace velmora::client {

class CChooserDlg : public QDialog {
    Q_OBJECT
public:
    CChooserDlg(const std::string& deviceType, const std::vector<DriverEntry>& drivers, int preselected,
                QWidget* parent = nullptr);

    QListWidget* list() const { return m_list; }
    QPushButton* okButton() const { return m_ok; }
    // The selected row, or nothing.
    std::optional<std::size_t> selection() const;

private:
    QListWidget* m_list;
    QPushButton* m_ok;
};

// Runs the dialog modally for the chooser class.
class QtChooserDialog : public ChooserDialog {
public:
    std::optional<std::size_t> choose(const std::string& deviceType, const std::vector<DriverEntry>& drivers,
                                      int preselected) override;
};

} // namespace velmora::client
