#pragma once
// CFormatPageDlg: the capture device's format page ("Video Format"): its pixel
// formats, the frame sizes of the chosen one and the frame rates of the chosen size.
// Everything it shows comes from its FormatPage.

#include "server/camera/format_page.h"

#include <QDialog>

class QComboBox;

namespace velmora::server {

class CFormatPageDlg : public QDialog {
    Q_OBJECT
public:
    CFormatPageDlg(std::vector<platform::FrameSizeOption> options, const platform::VideoFormat& current,
                   QWidget* parent = nullptr);

    const FormatPage& page() const { return m_page; }
    QComboBox* pixelFormatList() const { return m_pixelFormats; }
    QComboBox* sizeList() const { return m_sizes; }
    QComboBox* rateList() const { return m_rates; }

private:
    void showState();

    FormatPage m_page;
    QComboBox* m_pixelFormats;
    QComboBox* m_sizes;
    QComboBox* m_rates;
};

} // namespace velmora::server
