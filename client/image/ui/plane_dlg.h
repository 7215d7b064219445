#pragma once
// CPlaneDlg: the modal "Planes" dialog of "Set Plane Colors": a caption and a colour
// per plane of the image window, kept consistent by PlaneChoices. Rows beyond the
// plane count are hidden and the dialog shortened.

#include "client/image/plane_choices.h"

#include <QDialog>

#include <vector>

class QComboBox;
class QLineEdit;

namespace velmora::client {

class CPlaneDlg : public QDialog {
    Q_OBJECT
public:
    CPlaneDlg(const PlaneColours& table, QWidget* parent = nullptr);

    // The choices as edited (OK applies them to the table).
    const PlaneChoices& choices() const { return m_choices; }
    QComboBox* colourList(int plane) const { return m_lists[static_cast<std::size_t>(plane)]; }
    QLineEdit* captionEdit(int plane) const { return m_captions[static_cast<std::size_t>(plane)]; }

private:
    void showChoices();

    PlaneChoices m_choices;
    std::vector<QComboBox*> m_lists;
    std::vector<QLineEdit*> m_captions;
};

} // namespace velmora::client
