#include "client/shell/main_frame.h"

#include "client/image/image_window.h"
#include "client/image/plane_choices.h"
#include "client/shell/settings_store.h"
#include "client/shell/user_paths.h"

#include <algorithm>

namespace velmora::client {

MainFrame::MainFrame(SettingsStore& store, MainFrameWindow& window, ExposureTimer& timer,
                     const HighResolutionClock& clock, const FreeSpaceQuery& freeSpace)
    : m_store(store), m_window(window), m_freeSpace(freeSpace),
      m_binding(static_cast<DriverBindingWindow&>(*this))
{
    m_cycle = std::make_unique<ExposureCycle>(m_binding, timer, clock, store, m_geometry, m_planes, &m_reticle);
    m_cycle->setListener(this);
    m_barFlags.load(store);
}

MainFrame::~MainFrame()
{
    shutDown({});
    m_cycle->setListener(nullptr);
    for (const std::unique_ptr<MainFramePart>& part : m_parts)
        removeListener(*part);
}

void MainFrame::addListener(MainFrameListener& listener)
{
    if (std::find(m_listeners.begin(), m_listeners.end(), &listener) == m_listeners.end())
        m_listeners.push_back(&listener);
}

void MainFrame::removeListener(MainFrameListener& listener)
{
    std::erase(m_listeners, &listener);
}

void MainFrame::notify(const std::function<void(MainFrameListener&)>& fn)
{
    const std::vector<MainFrameListener*> listeners = m_listeners;
    for (MainFrameListener* listener : listeners) {
        if (std::find(m_listeners.begin(), m_listeners.end(), listener) != m_listeners.end())
            fn(*listener);
    }
}

std::optional<std::vector<std::uint8_t>> MainFrame::savedBarLayout() const
{
    return m_store.readBinary(kBarLayoutSection, kBarLayoutValue);
}

void MainFrame::start()
{
    if (m_started)
        return;
    m_started = true;
    m_optics.load(m_store);
    opticsChanged();
    m_cycle->loadSettings(m_store); // "Manual Mode", "Exposure Time", "Perfomance Mode"
    m_binding.bindAtStartup(m_store);
    exposureBarChanged();
}

void MainFrame::shutDown(const std::function<std::vector<std::uint8_t>()>& barLayout)
{
    if (m_shutDown || !m_started)
        return;
    m_shutDown = true;
    m_cycle->closeImageWindow();
    if (barLayout)
        m_store.writeBinary(kBarLayoutSection, kBarLayoutValue, barLayout());
    m_barFlags.save(m_store);
    m_cycle->saveSettings(m_store);
    m_optics.save(m_store);
    m_binding.unbindAtShutdown(m_store); // writes the three ProgIDs first
}

int MainFrame::toolDialogsAttached() const
{
    return imageWindow() != nullptr ? imageWindow()->toolCount() : 0;
}

void MainFrame::exposureBarChanged()
{
    notify([](MainFrameListener& l) { l.exposureBarChanged(); });
}

void MainFrame::imageWindowOpened(ImageWindow& window)
{
    notify([&](MainFrameListener& l) { l.imageWindowOpened(window); });
}

void MainFrame::imageWindowClosing(ImageWindow& window)
{
    notify([&](MainFrameListener& l) { l.imageWindowClosing(window); });
}

void MainFrame::frameDelivered(ImageWindow& window)
{
    notify([&](MainFrameListener& l) { l.frameDelivered(window); });
}

// ---- Hardware bar ------------------------------------------------------------------

void MainFrame::opticsChanged()
{
    m_geometry.setScales(m_optics.scaleX(), m_optics.scaleY());
    m_geometry.setFocalRatio(m_optics.focalRatio());
    if (const ImageWindow* window = imageWindow())
        m_reticle.setLimits(window->pipeline().width(), window->pipeline().height());
    notify([](MainFrameListener& l) { l.hardwareChanged(); });
}

void MainFrame::getFromHardware()
{
    auto readDouble = [](IDispatch* driver, const char* member) -> std::optional<double> {
        automation::Variant value;
        if (GetDriverProperty(driver, member, value.get()) != S_OK)
            return std::nullopt;
        automation::Variant real;
        if (VariantChangeType(real.get(), value.get(), 0, VT_R8) != S_OK)
            return std::nullopt;
        return real->dblVal;
    };
    HardwareReadings readings;
    if (IDispatch* camera = m_binding.driver(DriverKind::Camera)) {
        readings.pixelSizeXMicrometres = readDouble(camera, "PixelSizeX");
        readings.pixelSizeYMicrometres = readDouble(camera, "PixelSizeY");
    }
    if (IDispatch* telescope = m_binding.driver(DriverKind::Telescope)) {
        readings.focalLengthMetres = readDouble(telescope, "FocalLength");
        readings.apertureMetres = readDouble(telescope, "ApertureDiameter");
    }
    m_optics.applyReadings(readings);
    opticsChanged();
}

bool MainFrame::applyHardwareControl(int controlId, int value)
{
    switch (controlId) {
    case hardware_bar::kPixelWidth:
        m_optics.setPixelWidth(value);
        break;
    case hardware_bar::kPixelHeight:
        m_optics.setPixelHeight(value);
        break;
    case hardware_bar::kFocalLength:
        m_optics.setFocalLength(value);
        break;
    case hardware_bar::kAperture:
        m_optics.setAperture(value);
        break;
    case hardware_bar::kGetFromHardware:
        getFromHardware();
        return true;
    default:
        return false;
    }
    opticsChanged();
    return true;
}

std::string MainFrame::hardwareResultText(int controlId) const
{
    switch (controlId) {
    case hardware_bar::kResolution:
        return HardwareOptics::shownResult(m_optics.resolutionArcsec()).text();
    case hardware_bar::kFocalRatio:
        return HardwareOptics::shownResult(m_optics.focalRatio()).text();
    case hardware_bar::kScaleX:
        return HardwareOptics::shownResult(m_optics.scaleX()).text();
    case hardware_bar::kScaleY:
        return HardwareOptics::shownResult(m_optics.scaleY()).text();
    case hardware_bar::kFieldOfViewX:
        return imageWindow() ? HardwareOptics::shownResult(imageWindow()->fieldOfViewX()).text() : "";
    case hardware_bar::kFieldOfViewY:
        return imageWindow() ? HardwareOptics::shownResult(imageWindow()->fieldOfViewY()).text() : "";
    default:
        return {};
    }
}

void MainFrame::applyPlaneChoices(const PlaneChoices& choices)
{
    choices.applyTo(m_planes);
    if (ImageWindow* window = imageWindow())
        window->redraw();
}

// ---- Titles and panes --------------------------------------------------------------

std::string MainFrame::mainWindowTitle() const
{
    const ImageWindow* window = imageWindow();
    const MeasurementTool* tool = window != nullptr ? window->activeTool() : nullptr;
    return tool != nullptr ? tool->mainWindowTitle() : kTitle;
}

std::string MainFrame::processingBarCaption() const
{
    const ImageWindow* window = imageWindow();
    const MeasurementTool* tool = window != nullptr ? window->activeTool() : nullptr;
    return tool != nullptr ? tool->processingBarCaption() : "";
}

std::string MainFrame::statusPane(int pane) const
{
    const ImageWindow* window = imageWindow();
    if (window == nullptr)
        return {};
    const CursorPanes cursor = m_cursor ? window->cursorPanes(*m_cursor) : CursorPanes{};
    switch (pane) {
    case 1:
        return m_cycle->cycleTimeText();
    case 2:
        return window->activeTool() != nullptr ? window->activeTool()->fwhmText() : "";
    case 3:
        return window->geometryText();
    case 4:
        return cursor.position;
    case 5:
        return cursor.offset;
    case 6:
        return cursor.samples;
    case kFreeSpacePane:
        return freeSpaceText(m_freeSpace, settings::read(m_store, settings::kCaptureFolder));
    default:
        return {};
    }
}

int MainFrame::statusPaneWidth(int pane) const
{
    static constexpr std::array<int, kStatusPaneCount> widths = {0, 95, 95, 75, 60, 100, 200, 85};
    if (pane == 6)
        return m_cycle->pane6Width();
    return pane >= 0 && pane < kStatusPaneCount ? widths[static_cast<std::size_t>(pane)] : 0;
}

} // namespace velmora::client
