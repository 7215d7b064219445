#include "client/capture/capture_tool.h"

#include "client/capture/avi_writer.h"
#include "client/capture/output_file.h"
#include "client/capture/wall_clock.h"
#include "client/image/frame_pipeline.h"
#include "client/image/image_window.h"
#include "client/shell/file_dialogs.h"
#include "client/shell/settings_layout.h"

#include <chrono>

namespace velmora::client {

namespace cm = capture_messages;

std::string capture_messages::writeError(const std::string& reason)
{
    return reason.empty() ? std::string(kWriteError) : std::string(kWriteError) + "\n" + reason;
}

CaptureTool::CaptureTool(ImageWindow& window, const CaptureEnvironment& environment)
    : MeasurementTool(settings::kCaptureSection, window.pipeline(), environment.store, window.geometry()),
      m_window(window), m_store(environment.store), m_messages(environment.messages),
      m_folders(environment.folders), m_clock(environment.clock),
      m_exposureSeconds(environment.exposureSeconds)
{
    m_settings.load(m_store);
    m_folderText = m_settings.folder;
    m_nameText = m_settings.name;
}

CaptureTool::~CaptureTool()
{
    m_settings.save(m_store);
    close();
}

void CaptureTool::setPrefixDigits(int digits)
{
    m_settings.prefixDigits = CaptureSettings::clampDigits(digits);
}

void CaptureTool::setSuffixDigits(int digits)
{
    m_settings.suffixDigits = CaptureSettings::clampDigits(digits);
}

void CaptureTool::setFileType(CaptureFileType type)
{
    if (!running())
        m_settings.fileType = type;
}

// Folder, name and run number, each refusing with its message.
bool CaptureTool::validateStart()
{
    m_folderText = withOneTrailingSlash(m_folderText);
    if (!folderExists(m_folderText)) {
        m_messages.showMessage(cm::kInvalidPath);
        return false;
    }
    const std::string name = trimmedName(m_nameText);
    if (!isValidBaseName(name)) {
        m_messages.showMessage(cm::kInvalidName);
        return false;
    }
    const std::string folder = folderPath(m_folderText);
    const std::optional<std::string> run =
        paddedNumber(nextRunNumber(folder, name, m_settings.fileType), m_settings.prefixDigits);
    if (!run) {
        m_messages.showMessage(cm::kPrefixOverflow);
        return false;
    }
    m_settings.folder = m_folderText;
    m_settings.name = name;
    m_folderPath = folder;
    m_runNumber = *run;
    return true;
}

bool CaptureTool::openVideo()
{
    std::string error;
    const std::string path = aviFileName(m_folderPath, m_settings.name, m_runNumber);
    std::unique_ptr<RandomAccessFile> file = createDiskFile(path, error);
    if (file == nullptr) {
        m_messages.showMessage(cm::writeError(error));
        return false;
    }
    m_video = std::make_unique<AviWriter>(std::move(file), m_width, m_height);
    if (!m_video->begin()) {
        m_messages.showMessage(cm::writeError(path + ": " + m_video->error()));
        m_video.reset();
        return false;
    }
    return true;
}

void CaptureTool::Start()
{
    if (running() || window() == nullptr || !validateStart())
        return;
    m_width = square().width();
    m_height = square().height();
    if (m_width <= 0 || m_height <= 0)
        return;
    if (m_settings.fileType == CaptureFileType::Avi) {
        if (!openVideo())
            return;
    } else {
        m_fitsBuffer.assign(fitsRegionLayout(outputRegion()).bytes(window()->planeCount()), 0);
    }
    m_frameNumber = 0;
    m_framesWritten = 0;
    m_failureSaid = false;
    m_snapRequested = false;
    MeasurementTool::Start();
}

void CaptureTool::Stop()
{
    if (m_video) {
        const bool complete = m_video->finish();
        const std::string error = m_video->error();
        m_video.reset();
        // A write failure was said when it happened; a failure to finish is said here.
        if (!complete && !m_failureSaid)
            m_messages.showMessage(cm::writeError(error));
    }
    m_fitsBuffer = {};
    m_snapRequested = false;
    MeasurementTool::Stop();
}

void CaptureTool::endRunWith(const std::string& message)
{
    m_failureSaid = true;
    Stop();
    m_messages.showMessage(message);
}

void CaptureTool::makeSnap()
{
    if (!running())
        Start();
    if (running())
        m_snapRequested = true;
}

void CaptureTool::browseFolder()
{
    const std::optional<std::string> chosen = m_folders.chooseFolder(m_folderText);
    if (!chosen)
        return;
    m_folderText = withOneTrailingSlash(*chosen);
    m_settings.folder = m_folderText;
    settings::write(m_store, settings::kCaptureFolder, m_settings.folder);
}

// The tracked square (or the whole frame) at the size fixed when the run started.
PixelRect CaptureTool::outputRegion() const
{
    const PixelRect& current = square();
    return {current.left, current.top, current.left + m_width, current.top + m_height};
}

void CaptureTool::FrameStep(bool newFrame)
{
    if (!running() || !newFrame || window() == nullptr)
        return;
    if (m_settings.manualMode && !m_snapRequested)
        return;
    const ImageFrame& frame = window()->workingFrame();
    if (m_video)
        writeVideoFrame(frame, outputRegion());
    else
        writeFitsFrame(frame, outputRegion());
}

void CaptureTool::writeVideoFrame(const ImageFrame& frame, const PixelRect& region)
{
    m_converter.convert(frame, region, m_window.planeColours(), m_video->pixels());
    if (!m_video->writeFrame()) {
        const std::string error = m_video->error();
        endRunWith(cm::writeError(error));
        return;
    }
    ++m_framesWritten;
    m_snapRequested = false;
}

void CaptureTool::writeFitsFrame(const ImageFrame& frame, const PixelRect& region)
{
    const std::optional<std::string> number =
        paddedNumber(static_cast<std::uint64_t>(m_frameNumber), m_settings.suffixDigits);
    if (!number) {
        endRunWith(cm::kSuffixOverflow);
        return;
    }
    const double exposure = m_exposureSeconds ? m_exposureSeconds() : 0.0;
    const auto now = m_clock.now();
    const FitsObservation observation{now - std::chrono::duration_cast<std::chrono::system_clock::duration>(
                                                std::chrono::duration<double>(exposure)),
                                      exposure};
    const PlaneColours& planes = m_window.planeColours();
    auto fileName = [&](int plane) {
        return plane < 0 ? fitsFileName(m_folderPath, m_settings.name, m_runNumber, *number)
                         : fitsPlaneFileName(m_folderPath, m_settings.name, m_runNumber, *number,
                                             planes.caption(plane));
    };
    std::string error;
    const FitsLayout layout = m_settings.standardFits ? FitsLayout::Standard : FitsLayout::Classic;
    if (!velmora::client::writeFitsFrame(frame, region, m_fitsBuffer, m_settings.splitPlanes, layout,
                                         observation, fileName, error)) {
        endRunWith(cm::writeError(error));
        return;
    }
    ++m_frameNumber;
    ++m_framesWritten;
    m_snapRequested = false;
}

} // namespace velmora::client
