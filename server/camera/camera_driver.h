#pragma once
// The Camera driver object: a video device whose frames are summed for short
// exposures, taken one at a time, or, for long exposures, switched through the
// exposure port and picked as the brightest of the five frames that follow. Its
// members mirror the camera interface one by one and return a DriverError with their
// out-values, for the automation wrapper to pass on; the operations after them serve
// the setup dialog.
//
// Threads: members are called from the thread that dispatches automation calls; frames
// arrive on the capture pipeline's streaming thread (deliverFrame); a long exposure's
// sequence runs on its own thread. One lock guards the exposure, sub-frame, colour and
// image state; it is never held while the pipeline is stopped or while waiting for the
// exposure thread.
//
// The object loads profile "Default" when created and, on final release, disconnects
// and saves to its current profile.

#include "platform/video/capture_pipeline.h"
#include "platform/video/frame_sink.h"
#include "server/camera/camera_environment.h"
#include "server/camera/colour_settings.h"
#include "server/camera/exposure_port.h"
#include "server/camera/exposure_state_machine.h"
#include "server/camera/exposure_thread.h"
#include "server/frame/camera_settings.h"
#include "server/frame/driver_error.h"
#include "server/frame/exposure_sequences.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace velmora::server {

class CameraDriver : public platform::FrameSink {
public:
    // Runs the setup dialog modally on the object.
    using DialogHook = std::function<void(CameraDriver&)>;
    // The capture format page: the format chosen, or none when cancelled.
    using FormatPageHook = std::function<std::optional<platform::VideoFormat>(CameraDriver&)>;
    // The source page: reads and sets the device's controls while frames keep flowing.
    using SourcePageHook = std::function<void(CameraDriver&)>;
    using ImageUse = std::function<void(const ColourImage&)>;

    // `environment` and everything it points at are borrowed and must outlive the object.
    explicit CameraDriver(const CameraEnvironment& environment);
    ~CameraDriver() override;
    CameraDriver(const CameraDriver&) = delete;
    CameraDriver& operator=(const CameraDriver&) = delete;

    // Disconnects and saves the settings to the current profile; once only.
    void finalRelease();

    // Interface members.
    DriverError getCameraState(std::int32_t& state) const;
    DriverError getCameraXSize(std::int32_t& width) const;
    DriverError getCameraYSize(std::int32_t& height) const;
    DriverError getConnected(bool& connected) const;
    // False (S_FALSE for the client) when no capture device could be connected.
    bool putConnected(bool connected);
    DriverError getImageReady(bool& ready) const;
    DriverError getNumX(std::int32_t& value) const;
    DriverError getNumY(std::int32_t& value) const;
    DriverError getStartX(std::int32_t& value) const;
    DriverError getStartY(std::int32_t& value) const;
    DriverError putNumX(std::int32_t value);
    DriverError putNumY(std::int32_t value);
    DriverError putStartX(std::int32_t value);
    DriverError putStartY(std::int32_t value);
    DriverError getPixelSizeX(double& micrometres) const;
    DriverError getPixelSizeY(double& micrometres) const;
    DriverError AbortExposure();
    // `started` is true when the exposure was started.
    DriverError StartExposure(double durationSeconds, bool light, bool& started);
    // Aborts any exposure, runs the dialog hook if any, aborts again.
    DriverError SetupDialog();
    // ImageArray and GetRawBuffer: "Not Connected" or "Image Not Ready", else `use` runs
    // with the result image while the lock is held.
    DriverError useImage(const ImageUse& use) const;

    // Operations of the setup dialog.
    // The port layer the camera's exposure port comes from (the dialog lists its ports).
    PortRegistry& ports() const { return *m_environment.ports; }
    void setDialogHook(DialogHook hook) { m_dialogHook = std::move(hook); }
    void setFormatPageHook(FormatPageHook hook) { m_formatPageHook = std::move(hook); }
    void setSourcePageHook(SourcePageHook hook) { m_sourcePageHook = std::move(hook); }
    // Lists the devices again; the names stay index-aligned with chooseDevice().
    std::vector<std::string> enumerateDevices();
    std::optional<int> chosenDeviceIndex() const;
    // Another device: disconnects, makes it the chosen one, connects again. An index
    // outside the list or the device already chosen does nothing.
    void chooseDevice(int index);
    ColourSettings colourSettings() const;
    void setColourMode(int mode);
    void setMatrixType(int matrixType);
    // 0 blue, 1 green, 2 red; percent.
    void setCoefficient(int index, int percent);
    void setSensor(int matrixWidth, int matrixHeight, double pixelWidth, double pixelHeight);
    // Aborts any exposure, then takes the count (at least 1).
    void setFramesToSum(int frames);
    // Each aborts any exposure and opens the port again.
    void setPortName(const std::string& name);
    void setPortSpeed(const std::string& speed);
    bool portOpen() const { return m_port.isOpen(); }
    // The long exposure's thread, for waiting on its abort and end.
    const ExposureThread& exposureThread() const { return m_thread; }
    std::string portStatus();
    // "Amp. Mode On" (0) or "Amp. Mode Off" (1): aborts, selects, sets the rest word.
    void chooseSequence(int type);
    // The "Exposure Bits" dialog's OK: aborts, replaces the selected sequence, sets its rest word.
    void replaceSelectedSequence(const ExposureSequence& sequence);
    ExposureSequences sequences() const;
    // Format page: stops the stream, lets the hook choose, applies, reads the format
    // back, resets the sub-frame to the whole frame and runs again.
    void showFormatPage();
    void showSourcePage();
    std::vector<platform::FrameSizeOption> formatOptions() const { return m_pipeline.formatOptions(); }
    std::vector<platform::VideoControl> controls() const { return m_pipeline.controls(); }
    std::optional<std::int32_t> controlValue(std::uint32_t id) const { return m_pipeline.controlValue(id); }
    bool setControl(std::uint32_t id, std::int32_t value) { return m_pipeline.setControl(id, value); }

    // Profiles.
    const std::string& profile() const { return m_profile; }
    void loadSettings(const std::string& profile);
    // Writes every value (the capture format in use) to `profile`, which becomes current.
    bool saveSettings(const std::string& profile);
    // The load dialog's OK: disconnects, loads `profile`, connects again.
    void loadProfile(const std::string& profile);
    CameraSettings settings() const;

    // The frame callback (streaming thread).
    void deliverFrame(const platform::VideoFrame& frame) override;

private:
    bool connected() const { return m_pipeline.connected(); }
    bool connect();
    void disconnect();
    bool tryDevices();
    // Reads the format back, sizes the buffers, fits the sub-frame and runs the stream.
    bool startStream(bool wholeFrame);
    void openPort();
    // `started` stays false when no thread could be had for the sequence.
    DriverError startLongExposure(std::int32_t exposureMs, bool& started);
    void putSubFrame(bool start, bool xAxis, std::int32_t value);

    const CameraEnvironment& m_environment;
    PulseClock& m_clock;
    DeviceSettings& m_store;

    // Guarded by m_mutex (also read by the frame callback).
    mutable std::mutex m_mutex;
    ExposureStateMachine m_machine;
    SubFrame m_sub{0, 0, 640, 480};
    ColourSettings m_colour;
    int m_framesToSum = 1;
    platform::VideoFormat m_format{640, 480, 2000000};

    // Controlling thread only.
    platform::VideoFormat m_requested{640, 480, 2000000};
    struct Sensor {
        std::int32_t matrixWidth = 640;
        std::int32_t matrixHeight = 480;
        double pixelWidth = 5.6; // micrometres
        double pixelHeight = 5.6;
    } m_sensor;
    std::string m_portName = "LPT1";
    std::string m_portSpeed = "115200";
    ExposureSequences m_sequences;
    std::string m_profile;
    std::optional<platform::CaptureDevice> m_chosen;
    bool m_released = false;
    DialogHook m_dialogHook;
    FormatPageHook m_formatPageHook;
    SourcePageHook m_sourcePageHook;

    ExposurePort m_port;
    ExposureThread m_thread;
    // Last: its streaming thread ends before anything it calls into goes.
    platform::CapturePipeline m_pipeline;
};

} // namespace velmora::server
