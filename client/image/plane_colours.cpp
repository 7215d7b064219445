#include "client/image/plane_colours.h"

#include "client/shell/settings_store.h"

#include <cstdio>
#include <utility>

namespace velmora::client {

namespace {

std::string planeValueName(const char* stem, int planeCount, int plane)
{
    char name[64];
    std::snprintf(name, sizeof name, "%s-%d-%d", stem, planeCount, plane);
    return name;
}

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
    char text[32];
    std::snprintf(text, sizeof text, "Plane %d", plane + 1);
    return text;
}

void PlaneColours::load(const SettingsStore& store, int planeCount)
{
    m_colours.clear();
    m_captions.clear();
    for (int p = 0; p < planeCount; ++p) {
        const int code =
            store.readInt(kSection, planeValueName("Color", planeCount, p), static_cast<int>(kDefaultColour));
        const bool valid =
            code >= static_cast<int>(PlaneColour::Blue) && code <= static_cast<int>(PlaneColour::None);
        m_colours.push_back(valid ? static_cast<PlaneColour>(code) : kDefaultColour);
        m_captions.push_back(
            store.readString(kSection, planeValueName("Caption", planeCount, p), defaultCaption(p)));
    }
}

void PlaneColours::save(SettingsStore& store) const
{
    const int count = planeCount();
    for (int p = 0; p < count; ++p) {
        store.writeInt(kSection, planeValueName("Color", count, p),
                       static_cast<int>(m_colours[static_cast<std::size_t>(p)]));
        store.writeString(kSection, planeValueName("Caption", count, p),
                          m_captions[static_cast<std::size_t>(p)]);
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

PlaneColours& processPlaneColours()
{
    static PlaneColours colours;
    return colours;
}

} // namespace velmora::client
