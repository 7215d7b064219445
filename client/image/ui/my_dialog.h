#pragma once
// CMyDialog: the window base of every tool dialog (guiding, focusing, capture, axis
// calibration). It shows one measurement tool, has its Start/Stop button, and makes
// its tool the active one of the image window when the user brings it to the front.
// Derived windows lay out their own controls in body() and refresh them in
// showState().

#include <QDialog>

#include <memory>

class QPushButton;
class QVBoxLayout;

namespace velmora::client {

class MeasurementTool;

class CMyDialog : public QDialog {
    Q_OBJECT
public:
    // The window borrows the tool (the image window keeps its preview tool itself).
    CMyDialog(MeasurementTool& tool, QWidget* parent);
    // The window owns the tool and closes it when it goes.
    CMyDialog(std::unique_ptr<MeasurementTool> tool, QWidget* parent);
    ~CMyDialog() override;

    MeasurementTool& tool() const { return m_tool; }
    QPushButton* startButton() const { return m_start; }
    // The tool's state after a frame or a settings change.
    void refresh();

protected:
    QVBoxLayout* body() const { return m_body; }
    virtual void showState() {}
    void changeEvent(QEvent* event) override;

private:
    void build();

    std::unique_ptr<MeasurementTool> m_owned;
    MeasurementTool& m_tool;
    QVBoxLayout* m_body = nullptr;
    QPushButton* m_start = nullptr;
};

} // namespace velmora::client
