#pragma once
// The capture format page: the pixel formats the device offers, the frame sizes of the
// chosen one and the frame rates of the chosen size, preselected at the format in use.
// Its OK gives the format to apply (the camera stops its stream for the page, applies
// it, reads the format back and resets the sub-frame to the whole frame).

#include "platform/video/video_format.h"

#include <optional>
#include <string>
#include <vector>

namespace velmora::server {

class FormatPage {
public:
    FormatPage(std::vector<platform::FrameSizeOption> options, const platform::VideoFormat& current);

    const std::vector<std::string>& pixelFormats() const { return m_pixelFormats; }
    // "640 x 480" for each size of the selected pixel format.
    std::vector<std::string> sizeTexts() const;
    // "5.000" (frames per second) for each period of the selected size.
    std::vector<std::string> rateTexts() const;
    std::optional<int> pixelFormat() const { return m_pixelFormat; }
    std::optional<int> size() const { return m_size; }
    std::optional<int> rate() const { return m_rate; }

    // A new pixel format keeps the size (and rate) when it offers them, else takes its first.
    void selectPixelFormat(int index);
    void selectSize(int index);
    void selectRate(int index);

    // The chosen size at the chosen period; none while nothing is chosen.
    std::optional<platform::VideoFormat> chosen() const;

private:
    std::vector<const platform::FrameSizeOption*> sizesOfSelected() const;
    const platform::FrameSizeOption* selectedOption() const;
    std::vector<std::uint32_t> periodsOfSelected() const;
    void pick(int width, int height, std::uint32_t period);
    void pickRate(std::uint32_t period);

    std::vector<platform::FrameSizeOption> m_options;
    platform::VideoFormat m_current;
    std::vector<std::string> m_pixelFormats;
    std::optional<int> m_pixelFormat;
    std::optional<int> m_size;
    std::optional<int> m_rate;
};

} // namespace velmora::server
