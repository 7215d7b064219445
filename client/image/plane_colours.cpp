#include "client/image/plane_colours.h"

#include "client/shell/settings_layout.h"
#include "client/shell/settings_store.h"

#include <utility>

namespace velmora::client {

namespace {

bool inside(int plane, std::size_t size)
{
    return plane >= 0 && static_cast<std::size_t>(plane) < size;
}

} // namespace

RgbColour graphColour(PlaneColour colour)
{
    switch (colour) {
    case PlaneColour::Blue:
        return {0, 0, 255};
    case PlaneColour::Green:
        return {0, 255, 0};
    case PlaneColour::Red:
        return {255, 0, 0};
    case PlaneColour::White:
        return {255, 255, 255};
    case PlaneColour::None:
        break;
    }
    return {150, 150, 150};
}

PlaneColours::PlaneColours(int planeCount)
{
    for (int p = 0; p < planeCount; ++p) {
        m_colours.push_back(kDefaultColour);
        m_captions.push_back(defaultCaption(p));
    }
}

std::string PlaneColours::defaultCaption(int plane)
{
    return settings::planeCaptionDefault(settings::kPlaneCaption, plane);
}

void PlaneColours::load(const SettingsStore& store, int planeCount)
{
    m_colours.clear();
    m_captions.clear();
    for (int p = 0; p < planeCount; ++p) {
        const int code = settings::read(store, settings::kPlaneColour, planeCount, p);
        const bool valid =
            code >= static_cast<int>(PlaneColour::Blue) && code <= static_cast<int>(PlaneColour::None);
        m_colours.push_back(valid ? static_cast<PlaneColour>(code) : kDefaultColour);
        m_captions.push_back(settings::read(store, settings::kPlaneCaption, planeCount, p));
    }
}

void PlaneColours::save(SettingsStore& store) const
{
    const int count = planeCount();
    for (int p = 0; p < count; ++p) {
        settings::write(store, settings::kPlaneColour, count, p,
                        static_cast<int>(m_colours[static_cast<std::size_t>(p)]));
        settings::write(store, settings::kPlaneCaption, count, p, m_captions[static_cast<std::size_t>(p)]);
    }
}

PlaneColour PlaneColours::colour(int plane) const
{
    return inside(plane, m_colours.size()) ? m_colours[static_cast<std::size_t>(plane)] : kDefaultColour;
}

const std::string& PlaneColours::caption(int plane) const
{
    static const std::string empty;
    return inside(plane, m_captions.size()) ? m_captions[static_cast<std::size_t>(plane)] : empty;
}

void PlaneColours::setColour(int plane, PlaneColour colour)
{
    if (inside(plane, m_colours.size()))
        m_colours[static_cast<std::size_t>(plane)] = colour;
}

void PlaneColours::setCaption(int plane, std::string caption)
{
    if (inside(plane, m_captions.size()))
        m_captions[static_cast<std::size_t>(plane)] = std::move(caption);
}

} // namespace velmora::client
