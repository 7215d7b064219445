#pragma once
// The focusing window's controls as functions of its tool: which control shows what,
// which is enabled, how a committed value or click reaches the tool, and the edits'
// numeric configurations. CFocusing3Dlg only lays the controls out and forwards them.

#include "common/numeric_field.h"

#include <string>

namespace velmora::client {

class FocusingTool;

namespace focusing_dlg {
constexpr int kFirstPosition = 1175;
constexpr int kFirstCur = 1174;
constexpr int kSecondPosition = 1168;
constexpr int kSecondCur = 1030;
constexpr int kCenterPosition = 1166;
constexpr int kCenterCur = 1028;
constexpr int kMeasuringStep = 1172;
constexpr int kThresholdLevel = 1170;
constexpr int kBacklashStep = 1151;
constexpr int kUseBacklash = 1157; // "Take Up Backlash"
constexpr int kMedianNumber = 1153;
constexpr int kUseMedian = 1158;
constexpr int kLinearNumber = 1155;
constexpr int kUseLinear = 1159;
constexpr int kDefocusingZone = 1160;
constexpr int kCurrentFocus = 1161;
constexpr int kDeltaFocus = 1162;
constexpr int kCurrentBacklash = 1163;
constexpr int kDeltaBacklash = 1164;
constexpr int kMotorPosition = 1165;
constexpr int kStartStop = 1085;
constexpr int kApply = 1087;
constexpr int kGraphFrame = 1121;
// Why the last fit was not used (beside the results).
constexpr int kStatus = 1176;
} // namespace focusing_dlg

struct FocusingPanelView {
    int firstPosition = 0;
    int secondPosition = 0;
    int centerPosition = 0;
    int measuringStep = 0;
    int thresholdLevel = 0;
    int backlashStep = 0;
    bool useBacklash = false;
    int medianNumber = 0;
    bool useMedian = false;
    int linearNumber = 0;
    bool useLinear = false;
    std::string currentFocus; // "%d"
    std::string deltaFocus;
    std::string currentBacklash;
    std::string deltaBacklash;
    std::string motorPosition;
    std::string defocusingZone;
    std::string status;
    std::string startText;
};

FocusingPanelView focusingPanelView(const FocusingTool& tool);
// The settings, the "Cur" buttons and "Apply" only while no run is going.
bool focusingControlEnabled(const FocusingTool& tool, int controlId);
// A committed value, a check state or a click; false for ids that are not the
// window's own or that are disabled.
bool applyFocusingControl(FocusingTool& tool, int controlId, int value);
// Positions and steps 0 … maxStep (the measuring step from 1), the threshold 0 … 100
// percent, the filter windows 3 … 25.
common::NumericField focusingField(int controlId, int maxStep);

} // namespace velmora::client
