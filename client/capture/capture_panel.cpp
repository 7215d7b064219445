#include "client/capture/capture_panel.h"

#include "client/capture/capture_tool.h"

namespace velmora::client {

namespace cd = capture_dlg;

CapturePanelView capturePanelView(const CaptureTool& tool)
{
    const CaptureSettings& s = tool.captureSettings();
    CapturePanelView view;
    view.folder = tool.folderText();
    view.name = tool.nameText();
    view.prefixDigits = s.prefixDigits;
    view.suffixDigits = s.suffixDigits;
    view.aviFile = s.fileType == CaptureFileType::Avi;
    view.split = s.splitPlanes;
    view.framesWritten = tool.framesWritten();
    view.manualMode = s.manualMode;
    view.standardFits = s.standardFits;
    view.startText = tool.startButtonText();
    return view;
}

bool captureControlEnabled(const CaptureTool& tool, int controlId)
{
    const bool atRest = !tool.running();
    const bool fits = tool.captureSettings().fileType == CaptureFileType::Fits;
    switch (controlId) {
    case cd::kPath:
    case cd::kBrowse:
    case cd::kName:
    case cd::kAviFile:
    case cd::kFitsFile:
    case cd::kPrefix:
        return atRest;
    case cd::kSuffix:
    case cd::kSplit:
    case cd::kStandardFits:
        return atRest && fits;
    case cd::kMakeSnap:
        return tool.captureSettings().manualMode;
    default:
        return true;
    }
}

bool applyCaptureControl(CaptureTool& tool, int controlId, int value)
{
    if (!captureControlEnabled(tool, controlId))
        return false;
    switch (controlId) {
    case cd::kPrefix:
        tool.setPrefixDigits(value);
        return true;
    case cd::kSuffix:
        tool.setSuffixDigits(value);
        return true;
    case cd::kAviFile:
        tool.setFileType(CaptureFileType::Avi);
        return true;
    case cd::kFitsFile:
        tool.setFileType(CaptureFileType::Fits);
        return true;
    case cd::kSplit:
        tool.setSplitPlanes(value != 0);
        return true;
    case cd::kStandardFits:
        tool.setStandardFits(value != 0);
        return true;
    case cd::kManualMode:
        tool.setManualMode(value != 0);
        return true;
    case cd::kMakeSnap:
        tool.makeSnap();
        return true;
    case cd::kBrowse:
        tool.browseFolder();
        return true;
    case cd::kStartStop:
        tool.toggleStartStop();
        return true;
    default:
        return false;
    }
}

common::NumericField captureDigitsField()
{
    common::NumericField field;
    field.setFlags(common::kHasSpin | common::kRangeCheck);
    field.setFormat("%.0f");
    field.setScale(1.0);
    field.setRange(CaptureSettings::kMinDigits, CaptureSettings::kMaxDigits);
    return field;
}

} // namespace velmora::client
