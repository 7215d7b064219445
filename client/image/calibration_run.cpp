#include "client/image/calibration_run.h"

#include "client/image/calibration_file.h"
#include "client/image/frame_pipeline.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace velmora::client {

CalibrationRun::CalibrationRun(WindowCalibration& calibration, CalibrationKind kind)
    : m_calibration(calibration), m_kind(kind)
{
}

CalibrationRun::~CalibrationRun()
{
    stop();
}

std::string CalibrationRun::prompt() const
{
    return m_kind == CalibrationKind::Dark ? "Please, close up your camera and press OK..."
                                           : "Please, point your camera at uniformly illuminated field and press OK...";
}

bool CalibrationRun::start(int frames)
{
    FramePipeline& window = m_calibration.window();
    if (m_running || !window.registerCalibrationSink(*this))
        return false;
    m_calibration.setAverageNumber(frames);
    m_frames = m_calibration.averageNumber();
    m_count = 0;
    m_finished = false;
    const ImageFrame& raw = window.rawFrame();
    m_sum.Allocate(raw.width(), raw.planeCount(), raw.height());
    std::fill(m_sum.sampleSpan().begin(), m_sum.sampleSpan().end(), 0u);
    m_running = true;
    return true;
}

void CalibrationRun::stop()
{
    if (!m_running)
        return;
    m_running = false;
    m_calibration.window().unregisterCalibrationSink(*this);
}

void CalibrationRun::addRawFrame(const ImageFrame& raw)
{
    if (!m_running)
        return;
    if (!raw.sameDimensions(m_sum)) {
        stop(); // the camera changed its frame size under the run: no average of mixed frames
        return;
    }
    const ImageFrame* frame = &raw;
    if (m_kind == CalibrationKind::Flat && m_calibration.matches(CalibrationKind::Dark)) {
        m_scratch.Allocate(raw.width(), raw.planeCount(), raw.height());
        std::memcpy(m_scratch.samples(), raw.samples(), static_cast<std::size_t>(raw.byteSize()));
        SubtractDark(m_scratch, m_calibration.window().darkFrameView());
        frame = &m_scratch;
    }
    std::uint32_t* sum = m_sum.samples();
    const std::uint16_t* samples = frame->samples();
    for (int i = 0; i < frame->sampleCount(); ++i)
        sum[i] += samples[i];
    if (++m_count < m_frames)
        return;
    m_result.Allocate(raw.width(), raw.planeCount(), raw.height());
    std::uint16_t* out = m_result.samples();
    for (int i = 0; i < m_result.sampleCount(); ++i)
        out[i] = static_cast<std::uint16_t>(sum[i] / static_cast<std::uint32_t>(m_count));
    m_finished = true;
    stop();
}

std::string CalibrationRun::defaultFileName(double exposureSeconds) const
{
    const char* format =
        m_kind == CalibrationKind::Dark ? "Dark-Field (%dx%dx%d_%dx%.1f).bmp" : "Flat-Field (%dx%dx%d_%dx%.1f).bmp";
    char name[128];
    std::snprintf(name, sizeof name, format, m_result.width(), m_result.height(), m_result.planeCount(), m_count,
                  exposureSeconds);
    return name;
}

bool CalibrationRun::saveAndUse(const std::string& path)
{
    if (!m_finished || !SaveCalibrationFile(path, m_result))
        return false;
    m_calibration.setPath(m_kind, path);
    return true;
}

} // namespace velmora::client
