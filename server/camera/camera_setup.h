#pragma once
// What the camera's setup dialog (dialog 106, "Camera Setup - %s") shows and does, over
// the live camera object: the control ids, the ranges of its numeric edits, the status
// (which buttons are enabled, the Connect/Disconnect text, the port status text), the
// values, the colour pattern display, and what each control does to the camera at
// once. CCameraDlg only lays the controls out, shows this state and forwards actions.
//
// The status is read when it is shown (on opening and after the actions that can change
// it) and kept for the enable rules, so asking whether a control is enabled never talks
// to the camera or its port.

#include "common/numeric_field.h"
#include "server/camera/camera_preview.h"
#include "server/camera/colour_settings.h"
#include "server/frame/exposure_sequence.h"

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velmora::server {

class CameraDriver;
class PortRegistry;

namespace camera_dlg {
constexpr int kDialogId = 106;
constexpr const char* kTitleFormat = "Camera Setup - %s"; // string 136
constexpr int kPixelWidth = 1000;
constexpr int kPixelHeight = 1002;
constexpr int kMatrixWidth = 1004;
constexpr int kMatrixHeight = 1006;
constexpr int kRedCoeff = 1008;
constexpr int kGreenCoeff = 1010;
constexpr int kBlueCoeff = 1012;
constexpr int kFormat = 1014;
constexpr int kSource = 1015;
constexpr int kLoadProfile = 1016;
constexpr int kSaveProfile = 1017;
constexpr int kConnect = 1018;
constexpr int kGraying = 1020; // to 1023: colour modes 0 to 3
constexpr int kLuminosity = 1021;
constexpr int kOriginal = 1022;
constexpr int kDebayerization = 1023;
constexpr int kAmpModeOn = 1024;
constexpr int kAmpModeOff = 1025;
constexpr int kCellTopLeft = 1026;      // to 1029: top-left, top-right, bottom-left, bottom-right
constexpr int kCellFrameTopLeft = 1030; // to 1033
constexpr int kSetBits = 1034;
constexpr int kPort = 1036;
constexpr int kDevice = 1037;
constexpr int kPatternRight = 1040; // bitmap 114
constexpr int kPatternLeft = 1041;  // bitmap 115
constexpr int kStartX = 1042;
constexpr int kStartY = 1044;
constexpr int kNumX = 1046;
constexpr int kNumY = 1048;
constexpr int kAccumulate = 1050;
constexpr int kPreviewExposure = 1052;
constexpr int kPatternLabel = 1054;
constexpr int kRestart = 1056;
constexpr int kPreview = 1059;
constexpr int kSpeed = 1191;
constexpr int kPortStatus = 1202;
constexpr int kCells = 4;
} // namespace camera_dlg

// What to show again after an action.
enum CameraShow : unsigned {
    kShowNothing = 0,
    kShowStatus = 1,
    kShowValues = 2,
    kShowPattern = 4,
    kShowTitle = 8,
};

struct CameraStatus {
    bool connected = false;
    bool portOpen = false;
    std::string connectText = "Connect";
    std::string portStatus;
};

struct CameraValues {
    int pixelWidth = 0; // hundredths of a micrometre, as the edits hold them
    int pixelHeight = 0;
    int matrixWidth = 0;
    int matrixHeight = 0;
    int startX = 0;
    int startY = 0;
    int numX = 0;
    int numY = 0;
    int captureWidth = 0; // CameraXSize: the sub-frame spins' ranges follow it
    int captureHeight = 0;
    std::array<int, 3> coefficients{}; // by ColourChannel
    int framesToSum = 1;
    int colourMode = 2;
    int sequenceType = 0;
    std::optional<int> portIndex;
    std::optional<int> speedIndex;
    std::optional<int> deviceIndex;
};

struct PatternView {
    bool visible = false; // the cells and arrows: only in colour modes 1 and 3
    std::string label;    // "PATTERN - %d"
    // Top-left, top-right, bottom-left, bottom-right: the frame's row 1 on top.
    std::array<ColourChannel, camera_dlg::kCells> cells{};
};

class CameraSetup {
public:
    // `camera` is borrowed for the dialog's life.
    explicit CameraSetup(CameraDriver& camera);
    ~CameraSetup();

    // Opening: the exposure ports and the capture devices are listed again.
    void open();
    std::string title() const;
    const std::vector<std::string>& ports() const { return m_ports; }
    const std::vector<std::string>& devices() const { return m_devices; }

    // The edit with this id, configured (range, scale, display); the sub-frame ranges
    // come from the capture size of `values`.
    static common::NumericField field(int id, const CameraValues& values = {});
    static int cellBitmap(ColourChannel colour); // 111 red, 112 green, 113 blue

    // Reads Connected, the port and its status text; a preview that may no longer run
    // (no camera or no port) is closed.
    const CameraStatus& refreshStatus();
    const CameraStatus& status() const { return m_status; }
    CameraValues values() const;
    PatternView pattern() const;
    bool enabled(int controlId) const;
    bool visible(int controlId) const;

    // A committed edit (in the edit's units), a list selection (its index) or a click;
    // what to show again afterwards.
    unsigned edit(int controlId, int value);
    unsigned select(int controlId, int index);
    unsigned click(int controlId);
    // The profile dialogs' OK: loaded or saved under `name`, which becomes current.
    unsigned loadProfile(const std::string& name);
    unsigned saveProfile(const std::string& name);
    // "Exposure Bits" OK: aborts any exposure, replaces the selected sequence.
    void applyExposureBits(const ExposureSequence& sequence);
    ExposureSequence selectedSequence() const;

    // The preview: opened by "Preview" with the length of "Exposure (sec)", closed by
    // its window (or when the status no longer allows it).
    bool previewOpen() const { return m_preview != nullptr; }
    CameraPreview* preview() const { return m_preview.get(); }
    // `bitsPerPixel`: the depth of the display the preview's surface is drawn for.
    void openPreview(int bitsPerPixel = 32);
    void closePreview();
    double previewSeconds() const;

private:
    unsigned editSensor(int controlId, int value);
    unsigned editSubFrame(int controlId, int value);
    unsigned clickColourMode(int mode);
    unsigned stepMatrixType(int step);

    CameraDriver& m_camera;
    PortRegistry& m_portRegistry;
    std::vector<std::string> m_ports;
    std::vector<std::string> m_devices;
    CameraStatus m_status;
    int m_previewUnits = 0; // "Exposure (sec)" in hundredths of a second
    std::unique_ptr<CameraPreview> m_preview;
};

} // namespace velmora::server
