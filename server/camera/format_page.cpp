#include "server/camera/format_page.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace velmora::server {

FormatPage::FormatPage(std::vector<platform::FrameSizeOption> options, const platform::VideoFormat& current)
    : m_options(std::move(options)), m_current(current)
{
    for (const auto& option : m_options)
        if (std::find(m_pixelFormats.begin(), m_pixelFormats.end(), option.pixelFormat) ==
            m_pixelFormats.end())
            m_pixelFormats.push_back(option.pixelFormat);
    // The first pixel format that offers the size in use, else the first of all.
    for (std::size_t i = 0; i < m_pixelFormats.size() && !m_pixelFormat; ++i) {
        m_pixelFormat = static_cast<int>(i);
        pick(current.width, current.height, current.framePeriod);
        if (!m_size || selectedOption()->width != current.width || selectedOption()->height != current.height)
            m_pixelFormat.reset();
    }
    if (!m_pixelFormat && !m_pixelFormats.empty())
        selectPixelFormat(0);
}

std::vector<const platform::FrameSizeOption*> FormatPage::sizesOfSelected() const
{
    std::vector<const platform::FrameSizeOption*> sizes;
    if (!m_pixelFormat)
        return sizes;
    for (const auto& option : m_options)
        if (option.pixelFormat == m_pixelFormats[static_cast<std::size_t>(*m_pixelFormat)])
            sizes.push_back(&option);
    return sizes;
}

const platform::FrameSizeOption* FormatPage::selectedOption() const
{
    const auto sizes = sizesOfSelected();
    if (!m_size || *m_size >= static_cast<int>(sizes.size()))
        return nullptr;
    return sizes[static_cast<std::size_t>(*m_size)];
}

std::vector<std::uint32_t> FormatPage::periodsOfSelected() const
{
    const platform::FrameSizeOption* option = selectedOption();
    if (!option)
        return {};
    // A device that names no rates for the size keeps the one in use.
    if (option->framePeriods.empty())
        return {m_current.framePeriod};
    return option->framePeriods;
}

std::vector<std::string> FormatPage::sizeTexts() const
{
    std::vector<std::string> texts;
    for (const platform::FrameSizeOption* option : sizesOfSelected())
        texts.push_back(std::to_string(option->width) + " x " + std::to_string(option->height));
    return texts;
}

std::vector<std::string> FormatPage::rateTexts() const
{
    std::vector<std::string> texts;
    for (std::uint32_t period : periodsOfSelected()) {
        char text[32];
        std::snprintf(text, sizeof text, "%.3f", period ? 1e7 / period : 0.0);
        texts.push_back(text);
    }
    return texts;
}

void FormatPage::pick(int width, int height, std::uint32_t period)
{
    const auto sizes = sizesOfSelected();
    m_size.reset();
    m_rate.reset();
    if (sizes.empty())
        return;
    // The size nearest the wanted one (the first of equals), then the nearest period.
    auto distance = [&](const platform::FrameSizeOption* o) {
        return std::abs(o->width - width) + std::abs(o->height - height);
    };
    const auto best = std::min_element(sizes.begin(), sizes.end(),
                                       [&](auto* a, auto* b) { return distance(a) < distance(b); });
    m_size = static_cast<int>(best - sizes.begin());
    pickRate(period);
}

void FormatPage::pickRate(std::uint32_t period)
{
    const std::vector<std::uint32_t> periods = periodsOfSelected();
    auto gap = [period](std::uint32_t p) { return p > period ? p - period : period - p; };
    const auto nearest = std::min_element(periods.begin(), periods.end(),
                                          [&](std::uint32_t a, std::uint32_t b) { return gap(a) < gap(b); });
    m_rate.reset();
    if (nearest != periods.end())
        m_rate = static_cast<int>(nearest - periods.begin());
}

void FormatPage::selectPixelFormat(int index)
{
    if (index < 0 || index >= static_cast<int>(m_pixelFormats.size()))
        return;
    const std::optional<platform::VideoFormat> before = chosen();
    m_pixelFormat = index;
    const platform::VideoFormat wanted = before.value_or(m_current);
    pick(wanted.width, wanted.height, wanted.framePeriod);
}

void FormatPage::selectSize(int index)
{
    if (index < 0 || index >= static_cast<int>(sizesOfSelected().size()))
        return;
    const std::optional<platform::VideoFormat> before = chosen();
    m_size = index;
    pickRate(before ? before->framePeriod : m_current.framePeriod);
}

void FormatPage::selectRate(int index)
{
    if (index >= 0 && index < static_cast<int>(periodsOfSelected().size()))
        m_rate = index;
}

std::optional<platform::VideoFormat> FormatPage::chosen() const
{
    const platform::FrameSizeOption* option = selectedOption();
    const std::vector<std::uint32_t> periods = periodsOfSelected();
    if (!option || !m_rate || *m_rate >= static_cast<int>(periods.size()))
        return std::nullopt;
    return platform::VideoFormat{option->width, option->height, periods[static_cast<std::size_t>(*m_rate)]};
}

} // namespace velmora::server
