#include "client/capture/screenshot.h"

#include "client/capture/capture_names.h"
#include "client/capture/capture_tool.h"
#include "client/capture/fits_writer.h"
#include "client/capture/wall_clock.h"
#include "client/image/image_window.h"
#include "client/shell/file_dialogs.h"
#include "client/shell/settings_layout.h"

#include <algorithm>

namespace velmora::client {

namespace sb = screenshot_bar;
namespace cm = capture_messages;

void ScreenshotSettings::load(const SettingsStore& store)
{
    fileFormat = std::clamp(settings::read(store, settings::kScreenshotFileFormat), 0, 2);
    split = settings::readBool(store, settings::kScreenshotSplit);
    folder = settings::read(store, settings::kScreenshotFolder);
    name = settings::read(store, settings::kScreenshotFileName);
    standardFits = settings::readBool(store, settings::kScreenshotStandardFits);
}

void ScreenshotSettings::save(SettingsStore& store) const
{
    settings::write(store, settings::kScreenshotFileFormat, fileFormat);
    settings::writeBool(store, settings::kScreenshotSplit, split);
    settings::write(store, settings::kScreenshotFolder, folder);
    settings::write(store, settings::kScreenshotFileName, name);
    settings::writeBool(store, settings::kScreenshotStandardFits, standardFits);
}

Screenshot::Screenshot(ImageWindow& window, const ScreenshotServices& services)
    : m_window(window), m_services(services)
{
    m_settings.load(m_services.store);
    m_folderText = m_settings.folder;
    m_nameText = m_settings.name;
}

Screenshot::~Screenshot()
{
    m_settings.save(m_services.store);
}

void Screenshot::setFileFormat(int index)
{
    m_settings.fileFormat = std::clamp(index, 0, 2);
}

bool Screenshot::take()
{
    m_folderText = withOneTrailingSlash(m_folderText);
    if (!folderExists(m_folderText)) {
        m_services.messages.showMessage(cm::kInvalidPath);
        return false;
    }
    const std::string name = trimmedName(m_nameText);
    if (!isValidBaseName(name)) {
        m_services.messages.showMessage(cm::kInvalidName);
        return false;
    }
    m_settings.folder = m_folderText;
    m_settings.name = name;
    const auto now = m_services.clock.now();
    const double exposure = m_services.exposureSeconds ? m_services.exposureSeconds() : 0.0;
    const FitsObservation observation{now - std::chrono::duration_cast<std::chrono::system_clock::duration>(
                                                std::chrono::duration<double>(exposure)),
                                      exposure};
    const std::string folder = folderPath(m_folderText);
    const std::string stamp = screenshotTimeStamp(now);
    const ImageFrame& raw = m_window.pipeline().rawFrame();
    m_lastFiles.clear();
    auto fileName = [&](int plane) {
        m_lastFiles.push_back(
            plane < 0 ? screenshotFileName(folder, name, stamp)
                      : screenshotPlaneFileName(folder, name, stamp, m_window.planeColours().caption(plane)));
        return m_lastFiles.back();
    };
    std::vector<std::uint8_t> buffer;
    std::string error;
    const FitsLayout layout = m_settings.standardFits ? FitsLayout::Standard : FitsLayout::Classic;
    if (!writeFitsFrame(raw, {0, 0, raw.width(), raw.height()}, buffer, m_settings.split, layout, observation,
                        fileName, error)) {
        m_services.messages.showMessage(cm::writeError(error));
        return false;
    }
    return true;
}

void Screenshot::browseFolder()
{
    if (const std::optional<std::string> chosen = m_services.folders.chooseFolder(m_folderText)) {
        m_folderText = withOneTrailingSlash(*chosen);
        m_settings.folder = m_folderText;
    }
}

ScreenshotBar::ScreenshotBar(ScreenshotServices services) : m_services(std::move(services)) {}

bool ScreenshotBar::handlesControl(int controlId) const
{
    switch (controlId) {
    case sb::kFits:
    case sb::kTiff:
    case sb::kBmp:
    case sb::kSplit:
    case sb::kFolder:
    case sb::kBrowse:
    case sb::kName:
    case sb::kScreenShot:
    case sb::kStandardFits:
        return true;
    default:
        return false;
    }
}

// Without an image window nothing; "TIFF" and "BMP" have no writer.
bool ScreenshotBar::controlEnabled(int controlId) const
{
    return m_screenshot != nullptr && controlId != sb::kTiff && controlId != sb::kBmp;
}

bool ScreenshotBar::applyControl(int controlId, int value)
{
    if (!controlEnabled(controlId))
        return false;
    Screenshot& screenshot = *m_screenshot;
    switch (controlId) {
    case sb::kFits:
        screenshot.setFileFormat(0);
        break;
    case sb::kSplit:
        screenshot.setSplit(value != 0);
        break;
    case sb::kStandardFits:
        screenshot.setStandardFits(value != 0);
        break;
    case sb::kBrowse:
        screenshot.browseFolder();
        break;
    case sb::kScreenShot:
        screenshot.take();
        break;
    default:
        return false; // the edits' texts reach the screenshot directly
    }
    show();
    return true;
}

void ScreenshotBar::imageWindowOpened(ImageWindow& window)
{
    m_screenshot = std::make_unique<Screenshot>(window, m_services);
    show();
}

void ScreenshotBar::imageWindowClosing(ImageWindow&)
{
    m_screenshot.reset();
}

void ScreenshotBar::show()
{
    if (m_view != nullptr && m_screenshot != nullptr)
        m_view->showScreenshot(*m_screenshot);
}

} // namespace velmora::client
