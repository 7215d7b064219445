#include "client/devices/exposure_cycle.h"

#include "client/devices/driver_binding.h"
#include "client/devices/exposure_timer.h"
#include "client/devices/high_resolution_clock.h"
#include "client/shell/settings_layout.h"
#include "platform/automation/variant.h"

#include <cstdio>

namespace velmora::client {

namespace {

constexpr std::int32_t kMaxExposureTime = 9999999;
constexpr double kTicksPerSecond = 16.666666666666668;

std::string formatDuration(double seconds)
{
    char text[64];
    std::snprintf(text, sizeof text, "Exposure Duration - %.1f sec.", seconds);
    return text;
}

// Handles are below 2^31, so the sign extension of the 32-bit value is the handle.
LONGLONG handleArgument(HWND hwnd)
{
    return static_cast<LONGLONG>(static_cast<std::int32_t>(static_cast<std::uint64_t>(hwnd)));
}

} // namespace

ExposureCycle::ExposureCycle(DriverBinding& binding, ExposureTimer& timer, const HighResolutionClock& clock,
                             SettingsStore& store, const ImageGeometry& geometry, PlaneColours& planes,
                             Reticle* reticle)
    : m_binding(binding), m_timer(timer), m_clock(clock), m_store(store), m_geometry(geometry), m_planes(planes),
      m_reticle(reticle)
{
    m_qpcFrequency = clock.frequency() > 0 ? clock.frequency() : 1;
    m_durationText = formatDuration(0.0);
    m_mainWindow = RegisterWindowProc([this](HWND, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (msg != WM_COPYDATA)
            return 0;
        return onCopyData(wParam, reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    });
}

ExposureCycle::~ExposureCycle()
{
    UnregisterWindowProc(m_mainWindow);
    closeImageWindow();
}

common::NumericField ExposureCycle::exposureTimeField()
{
    common::NumericField field;
    field.setFlags(common::kHasSpin | common::kNotifyEveryCommit | common::kRangeCheck |
                   common::kDecimalDisplay);
    field.setFormat("%.2f");
    field.setScale(0.01);
    field.setRange(0, kMaxExposureTime);
    field.setStep(10);
    return field;
}

void ExposureCycle::loadSettings(const SettingsStore& store)
{
    m_manualMode = settings::readBool(store, settings::kExposureManualMode);
    m_performanceMode = settings::read(store, settings::kPerformanceMode);
    exposureTimeChanged(settings::read(store, settings::kExposureTime));
}

void ExposureCycle::saveSettings(SettingsStore& store) const
{
    settings::writeBool(store, settings::kExposureManualMode, m_manualMode);
    settings::write(store, settings::kExposureTime, m_exposureTime);
    settings::write(store, settings::kPerformanceMode, m_performanceMode);
}

IDispatch* ExposureCycle::camera() const
{
    return m_binding.driver(DriverKind::Camera);
}

void ExposureCycle::notifyBar()
{
    if (m_listener != nullptr)
        m_listener->exposureBarChanged();
}

void ExposureCycle::showRest()
{
    m_ticks = 0;
    m_progressPosition = 0;
    m_durationText = formatDuration(0.0);
}

void ExposureCycle::showTicks()
{
    m_durationText = formatDuration(m_ticks * kSecondsPerTick);
    m_progressPosition = m_ticks;
}

bool ExposureCycle::StartCycle()
{
    showRest();
    m_qpcStart = m_clock.counter();
    automation::Variant duration = automation::Variant::r8(m_exposureSeconds);
    automation::Variant light = automation::Variant::i2(-1);
    const HRESULT hr = CallDriverMethod(camera(), "StartExposure", *duration.get(), *light.get());
    if (hr == S_OK) {
        m_exposing = true;
        m_timer.startTimer(kTimerId, kTimerPeriodMs);
    }
    notifyBar();
    return hr == S_OK;
}

void ExposureCycle::AbortCycle()
{
    m_exposing = false;
    m_timer.killTimer(kTimerId);
    showRest();
    CallDriverMethod(camera(), "AbortExposure");
    notifyBar();
}

bool ExposureCycle::onTimer(int timerId)
{
    if (timerId != kTimerId)
        return false;
    if (!m_exposing)
        return true;
    ++m_ticks;
    m_binding.refreshConnectionStates();
    showTicks();
    notifyBar();
    if (!readDriverBool(camera(), "ImageReady"))
        return true;
    if (m_performanceMode != 0)
        fetchRawBuffer();
    else
        fetchImageArray();
    finishCycle();
    return true;
}

// Delivered or not, the exposure is over: measure the cycle and, in continuous mode,
// start the next one before the tick returns.
void ExposureCycle::finishCycle()
{
    m_exposing = false;
    m_timer.killTimer(kTimerId);
    showRest();
    m_qpcEnd = m_clock.counter();
    m_cycleTime = secondsBetween(m_qpcStart, m_qpcEnd, m_qpcFrequency);
    notifyBar();
    if (!m_manualMode)
        StartCycle();
}

void ExposureCycle::fetchImageArray()
{
    automation::Variant value;
    if (GetDriverProperty(camera(), "ImageArray", value.get()) != S_OK)
        return;
    const ImageArrayReader reader(*value.get());
    if (reader.geometry())
        handFrame(reader.samples(), *reader.geometry());
}

// The server sends the frame while it waits inside GetRawBuffer: processing it there
// would keep the server from answering any driver call a tool makes on the frame.
void ExposureCycle::fetchRawBuffer()
{
    automation::Variant handle = automation::Variant::i8(handleArgument(m_mainWindow));
    m_inRawBufferCall = true;
    CallDriverMethod(camera(), "GetRawBuffer", *handle.get());
    m_inRawBufferCall = false;
    if (m_acceptedDuringCall) {
        m_acceptedDuringCall = false;
        runDelivered(true);
    } else if (m_pendingGeometry) {
        const FrameGeometry geometry = *m_pendingGeometry;
        m_pendingGeometry.reset();
        handFrame(m_pendingSamples, geometry);
    }
}

LRESULT ExposureCycle::onCopyData(WPARAM word, const COPYDATASTRUCT* data)
{
    const std::span<const std::int32_t> samples = copyDataSamples(data, m_scratch);
    const FrameGeometry geometry = copyDataGeometry(word);
    if (!m_inRawBufferCall) {
        handFrame(samples, geometry);
    } else if (m_imageWindow && !m_delivering) {
        // Straight into the window's camera buffer, which the frame goes to anyway.
        m_acceptedDuringCall = m_imageWindow->pipeline().acceptFrame(samples, geometry.width, geometry.height,
                                                                      geometry.planeCount);
    } else {
        m_pendingSamples.assign(samples.begin(), samples.end());
        m_pendingGeometry = geometry;
    }
    return 1;
}

void ExposureCycle::handFrame(std::span<const std::int32_t> samples, const FrameGeometry& geometry)
{
    if (m_delivering)
        return; // a frame message sent from inside a frame's own processing
    if (!m_imageWindow && !openImageWindow(geometry))
        return;
    // A frame of other dimensions re-shapes the window's frames; fewer samples than
    // the geometry claims are refused, so nothing is read past the delivered block.
    runDelivered(
        m_imageWindow->pipeline().acceptFrame(samples, geometry.width, geometry.height, geometry.planeCount));
}

// The frame is in the window's camera buffer (when accepted): the pipeline, then the views.
void ExposureCycle::runDelivered(bool accepted)
{
    if (!m_imageWindow)
        return;
    m_delivering = true;
    if (accepted) {
        m_imageWindow->pipeline().runPipeline(true);
        m_pane6Width = kPane6WidthPerPlane * m_imageWindow->pipeline().planeCount();
        if (m_listener != nullptr)
            m_listener->frameDelivered(*m_imageWindow);
    }
    m_delivering = false;
    if (m_closePending)
        closeImageWindow();
}

bool ExposureCycle::openImageWindow(const FrameGeometry& geometry)
{
    m_imageWindow =
        ImageWindow::create(geometry.width, geometry.height, geometry.planeCount, m_store, m_geometry, m_planes,
                            m_reticle);
    if (!m_imageWindow)
        return false;
    m_pane6Width = kPane6WidthPerPlane * geometry.planeCount;
    if (m_listener != nullptr)
        m_listener->imageWindowOpened(*m_imageWindow);
    return m_imageWindow != nullptr;
}

void ExposureCycle::closeImageWindow()
{
    if (m_delivering) {
        m_closePending = true;
        return;
    }
    m_closePending = false;
    if (!m_imageWindow)
        return;
    if (m_listener != nullptr)
        m_listener->imageWindowClosing(*m_imageWindow);
    std::unique_ptr<ImageWindow> closing = std::move(m_imageWindow);
    closing->close();
    m_pane6Width = kRestingPane6Width;
}

void ExposureCycle::exposureTimeChanged(std::int32_t hundredths)
{
    common::NumericField field = exposureTimeField();
    field.setValue(hundredths);
    m_exposureTime = field.value();
    m_exposureSeconds = field.realValue();
    m_progressRange = static_cast<int>(m_exposureSeconds * kTicksPerSecond);
    notifyBar();
    if (m_exposing) {
        AbortCycle();
        StartCycle();
    }
}

void ExposureCycle::pressButton()
{
    const bool wasExposing = m_exposing;
    if (wasExposing)
        AbortCycle();
    if (m_manualMode && wasExposing)
        return;
    StartCycle();
}

void ExposureCycle::setManualMode(bool checked)
{
    m_manualMode = checked;
    if (checked)
        AbortCycle();
    notifyBar();
}

bool ExposureCycle::controlsEnabled() const
{
    return m_binding.isConnected(DriverKind::Camera);
}

std::string ExposureCycle::buttonText() const
{
    if (!m_exposing)
        return "Start";
    return m_manualMode ? "Cancel" : "Restart";
}

std::string ExposureCycle::cycleTimeText() const
{
    if (!m_imageWindow)
        return {};
    char text[64];
    std::snprintf(text, sizeof text, " [Cycle: %.1f sec.] ", m_cycleTime);
    return text;
}

} // namespace velmora::client
