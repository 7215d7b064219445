#pragma once
// CBitsDlg: the "Exposure Bits" dialog (dialog 105). Six rows, steps 0 to 5 top to
// bottom, a separator line between the steps before and after the exposure; each row
// a "Wait" box, a delay in milliseconds and eight three-state bit buttons, line 7 on
// the left. Everything it shows comes from its ExposureBitsEditor; OK leaves the
// edited sequence in it for the caller to apply.

#include "server/camera/exposure_bits_editor.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QGridLayout;
class QToolButton;

namespace velmora::common {
class CMyEdit;
}

namespace velmora::server {

class CBitsDlg : public QDialog {
    Q_OBJECT
public:
    explicit CBitsDlg(const ExposureSequence& sequence, QWidget* parent = nullptr);

    const ExposureBitsEditor& editor() const { return m_editor; }
    QToolButton* bitButton(int step, int line) const { return m_bits[step][line]; }
    QCheckBox* waitBox(int step) const { return m_wait[step]; }
    common::CMyEdit* delayEdit(int step) const { return m_delay[step]; }

private:
    void buildRow(QGridLayout& grid, int step, int row);
    void showBit(int step, int line);

    ExposureBitsEditor m_editor;
    std::array<std::array<QToolButton*, ExposureBitsEditor::kLines>, ExposureSequence::kSteps> m_bits{};
    std::array<QCheckBox*, ExposureSequence::kSteps> m_wait{};
    std::array<common::CMyEdit*, ExposureSequence::kSteps> m_delay{};
};

} // namespace velmora::server
