#pragma once
// CSourcePageDlg: the capture device's source page ("Video Source"): one row per
// setting the device reports, an integer as a slider with its value, a boolean as a
// check box, a menu as a list, a button as a button. Every change goes to the device
// at once while the stream keeps running; "Default" restores the device's defaults.
// Everything it shows comes from its SourcePage.

#include "server/camera/source_page.h"

#include <QDialog>

#include <vector>

class QGridLayout;
class QLabel;

namespace velmora::server {

class CSourcePageDlg : public QDialog {
    Q_OBJECT
public:
    explicit CSourcePageDlg(CameraDriver& camera, QWidget* parent = nullptr);

    const SourcePage& page() const { return m_page; }
    // The control widget of a row (named after the setting) and its value label.
    QWidget* rowWidget(std::size_t row) const { return m_widgets[row]; }

private:
    QWidget* makeWidget(std::size_t row);
    void change(std::size_t row, std::int32_t value);
    void showState();

    SourcePage m_page;
    std::vector<QWidget*> m_widgets;
    std::vector<QLabel*> m_values;
};

} // namespace velmora::server
