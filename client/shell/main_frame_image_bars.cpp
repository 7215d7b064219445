// The fields and reticle bars: their controls reach the image window's calibration
// and the program's reticle.
#include "client/shell/main_frame.h"

#include "client/image/calibration.h"
#include "client/image/image_window.h"
#include "client/image/preview_tool.h"

namespace velmora::client {

namespace rb = reticle_bar;
namespace fb = fields_bar;

std::optional<bool> MainFrame::imageBarControlEnabled(int controlId) const
{
    const bool fields = (controlId >= fb::kDarkOpen && controlId <= fb::kFlatContrast) || controlId == fb::kApplyDark ||
                        controlId == fb::kApplyFlat;
    const bool reticle = controlId >= rb::kCenterX && controlId <= rb::kCalibrate;
    if (!fields && !reticle)
        return std::nullopt;
    const ImageWindow* window = imageWindow();
    if (window == nullptr)
        return false;
    const WindowCalibration& calibration = window->calibration();
    switch (controlId) {
    case fb::kDarkContrast:
    case fb::kApplyDark:
    case fb::kFlatCalibrate:
        return calibration.darkControlsEnabled();
    case fb::kFlatContrast:
    case fb::kApplyFlat:
        return calibration.flatControlsEnabled();
    case rb::kCalibrate:
        return window->previewTool().calibrateEnabled();
    default:
        return true;
    }
}

bool MainFrame::applyImageBarControl(ImageWindow& window, int controlId, int value)
{
    WindowCalibration& calibration = window.calibration();
    switch (controlId) {
    case fb::kApplyDark:
        calibration.setApplyDark(value != 0);
        return true;
    case fb::kApplyFlat:
        calibration.setApplyFlat(value != 0);
        return true;
    case fb::kDarkContrast:
        calibration.setContrast(CalibrationKind::Dark, value);
        return true;
    case fb::kFlatContrast:
        calibration.setContrast(CalibrationKind::Flat, value);
        return true;
    case rb::kCenterX:
        m_reticle.setCentreTenths(value, m_reticle.centreYTenths());
        break;
    case rb::kCenterY:
        m_reticle.setCentreTenths(m_reticle.centreXTenths(), value);
        break;
    case rb::kDiameter1:
    case rb::kDiameter2:
    case rb::kDiameter3:
        m_reticle.setDiameterHundredths((controlId - rb::kDiameter1) / 2, value);
        break;
    case rb::kAngle:
        m_reticle.setAngleHundredths(value);
        break;
    case rb::kShowReticle:
        m_reticle.setShowReticle(value != 0);
        break;
    case rb::kShowCenter:
        m_reticle.setShowCenter(value != 0);
        break;
    case rb::kCenter:
        m_reticle.centre();
        break;
    case rb::kCalibrate:
        if (window.previewTool().running())
            window.previewTool().finishCalibration();
        else
            window.previewTool().Start();
        break;
    default:
        return false;
    }
    window.redraw();
    return true;
}

} // namespace velmora::client
