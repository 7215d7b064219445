#pragma once
// The screenshot bar's window side: shows the screenshot's state in the bar's
// controls and hands the texts typed into its folder and name edits to the core.
// It belongs to the bar's form and goes with it.

#include "client/capture/screenshot.h"

#include <QObject>

namespace velmora::common {
class ControlForm;
}

namespace velmora::client {

class CScreenshotBarView : public QObject, public ScreenshotBarView {
    Q_OBJECT
public:
    CScreenshotBarView(ScreenshotBar& bar, common::ControlForm& form);
    void showScreenshot(const Screenshot& screenshot) override;

private:
    common::ControlForm& m_form;
};

} // namespace velmora::client
