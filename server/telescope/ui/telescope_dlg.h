#pragma once
// CTelescopeDlg: the telescope's "Telescope Setup" dialog (dialog 108), run modally by
// the telescope's SetupDialog. Its TelescopeSetup decides what is shown and enabled
// and acts on the live object; this window lays out the port, line, optics and profile
// controls and the arrow pad of manual guiding.

#include "server/telescope/telescope_setup.h"

#include <QDialog>

#include <array>

class QLabel;
class QToolButton;

namespace velmora::common {
class ControlForm;
}

namespace velmora::server {

class CArrowPad;

class CTelescopeDlg : public QDialog {
    Q_OBJECT
public:
    // `telescope` is borrowed.
    explicit CTelescopeDlg(TelescopeDriver& telescope, QWidget* parent = nullptr);

    const TelescopeSetup& setup() const { return m_setup; }
    common::ControlForm& form() const { return *m_form; }
    QToolButton* lineButton(int line) const { return m_lines[static_cast<std::size_t>(line)]; }
    CArrowPad& arrowPad() const { return *m_pad; }

private:
    QWidget* buildLines();
    QWidget* buildNumbers(int labelId);
    void changed(int controlId, int value);
    void runProfileDialog(bool load);
    void refresh();
    void showValues();

    TelescopeDriver& m_telescope;
    TelescopeSetup m_setup;
    common::ControlForm* m_form;
    CArrowPad* m_pad;
    std::array<QToolButton*, telescope_dlg::kLines> m_lines{};
    std::array<QWidget*, 2> m_numbers{}; // relay outputs, connector pins
};

} // namespace velmora::server
