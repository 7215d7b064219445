#pragma once
// The capture window's controls as functions of its tool: ids, what each shows,
// which is enabled, how a committed value or click reaches the tool, and the digit
// fields. CCaptureDlg only lays the controls out and forwards them.

#include "common/numeric_field.h"

#include <string>

namespace velmora::client {

class CaptureTool;

namespace capture_dlg {
constexpr int kPath = 1191;
constexpr int kBrowse = 1185; // "..."
constexpr int kName = 1183;
constexpr int kPrefix = 1194;
constexpr int kSuffix = 1196;
constexpr int kAviFile = 1198;
constexpr int kFitsFile = 1199;
constexpr int kSplit = 1190;
constexpr int kFrameNumber = 1187; // "Current Frame Number"
constexpr int kManualMode = 1188;  // "Manual Capture Mode"
constexpr int kMakeSnap = 1088;
constexpr int kStartStop = 1085;
constexpr int kStandardFits = 1189; // "Standard FITS"
} // namespace capture_dlg

struct CapturePanelView {
    std::string folder;
    std::string name;
    int prefixDigits = 0;
    int suffixDigits = 0;
    bool aviFile = true;
    bool split = false;
    int framesWritten = 0;
    bool manualMode = false;
    bool standardFits = false;
    std::string startText;
};

CapturePanelView capturePanelView(const CaptureTool& tool);
bool captureControlEnabled(const CaptureTool& tool, int controlId);
// A committed value, a check state, a radio choice or a click; false for ids that
// are not the window's (the edits' texts go to the tool directly).
bool applyCaptureControl(CaptureTool& tool, int controlId, int value);
// "Prefix" and "Suffix": digits 1…10, clamped.
common::NumericField captureDigitsField();

} // namespace velmora::client
