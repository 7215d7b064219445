#pragma once
// The capture window's behaviour (CCaptureDlg without its window): a measurement tool
// in section "Capture" whose run records the frames of its image window, the part
// inside its measurement rectangle, as one AVI video or as numbered FITS files.
//
// Start checks the folder ("Invalid Path..."), the base name ("Invalid Name...") and
// the run number's digits ("Prefix Overflow..."), then fixes the output size for the
// run; the square's size and "Full Screen" stay locked while it runs. Each new frame
// (in manual mode only one asked for with "Make Snap") is written by the frame step.
// A FITS run ends by itself when the frame number needs more digits than Suffix
// allows ("Suffix Overflow..."); a write that fails (a full disk) ends the run with
// "Write Error..." and leaves every file written before it complete.

#include "client/capture/avi_pixels.h"
#include "client/capture/capture_settings.h"
#include "client/capture/fits_writer.h"
#include "client/image/measurement_tool.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace velmora::client {

class AviWriter;
class FolderChooser;
class ImageWindow;
class MessageBoxes;
class PlaneColours;
class WallClock;

struct CaptureEnvironment {
    SettingsStore& store;
    MessageBoxes& messages;
    FolderChooser& folders;
    const WallClock& clock;
    // The exposure time the frames were taken with (EXPTIME of standard FITS).
    std::function<double()> exposureSeconds;
};

namespace capture_messages {
inline constexpr const char* kInvalidPath = "Invalid Path...";
inline constexpr const char* kInvalidName = "Invalid Name...";
inline constexpr const char* kPrefixOverflow = "Prefix Overflow...";
inline constexpr const char* kSuffixOverflow = "Suffix Overflow...";
inline constexpr const char* kWriteError = "Write Error...";
// "Write Error..." with the reason on the next line.
std::string writeError(const std::string& reason);
} // namespace capture_messages

class CaptureTool : public MeasurementTool {
public:
    CaptureTool(ImageWindow& window, const CaptureEnvironment& environment);
    // Writes the section, stops a run (finishing its video), detaches.
    ~CaptureTool() override;

    void Start() override;
    void Stop() override;
    // "Make Snap": Start first when at rest, then the next new frame is written.
    void makeSnap();
    // "...": the folder browser; a choice is stored at once.
    void browseFolder();

    // The texts of the path and name edits as the user leaves them.
    const std::string& folderText() const { return m_folderText; }
    void setFolderText(std::string text) { m_folderText = std::move(text); }
    const std::string& nameText() const { return m_nameText; }
    void setNameText(std::string text) { m_nameText = std::move(text); }

    const CaptureSettings& captureSettings() const { return m_settings; }
    void setPrefixDigits(int digits);
    void setSuffixDigits(int digits);
    void setFileType(CaptureFileType type);
    void setSplitPlanes(bool on) { m_settings.splitPlanes = on; }
    void setManualMode(bool on) { m_settings.manualMode = on; }
    void setStandardFits(bool on) { m_settings.standardFits = on; }

    int framesWritten() const { return m_framesWritten; }
    bool snapRequested() const { return m_snapRequested; }
    const std::string& runNumberText() const { return m_runNumber; }
    // The output size fixed at Start.
    int outputWidth() const { return m_width; }
    int outputHeight() const { return m_height; }

protected:
    void FrameStep(bool newFrame) override;
    bool locksSquareSize() const override { return running(); }

private:
    bool validateStart();
    bool openVideo();
    void writeVideoFrame(const ImageFrame& frame, const PixelRect& region);
    void writeFitsFrame(const ImageFrame& frame, const PixelRect& region);
    PixelRect outputRegion() const;
    void endRunWith(const std::string& message);

    ImageWindow& m_window;
    SettingsStore& m_store;
    MessageBoxes& m_messages;
    FolderChooser& m_folders;
    const WallClock& m_clock;
    std::function<double()> m_exposureSeconds;
    CaptureSettings m_settings;
    std::string m_folderText;
    std::string m_nameText;
    std::string m_folderPath; // expanded, for the files of this run
    std::string m_runNumber;
    int m_frameNumber = 0;
    int m_framesWritten = 0;
    bool m_snapRequested = false;
    bool m_failureSaid = false;
    int m_width = 0;
    int m_height = 0;
    std::unique_ptr<AviWriter> m_video;
    AviPixelConverter m_converter;
    std::vector<std::uint8_t> m_fitsBuffer;
};

} // namespace velmora::client
