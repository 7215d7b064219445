#include "client/image/plane_choices.h"

#include <algorithm>

namespace velmora::client {

namespace {

bool isColour(PlaneColour colour)
{
    return colour == PlaneColour::Blue || colour == PlaneColour::Green || colour == PlaneColour::Red;
}

} // namespace

const std::vector<std::string>& PlaneChoices::colourNames()
{
    static const std::vector<std::string> names = {"Blue", "Green", "Red", "White", "None"};
    return names;
}

PlaneChoices::PlaneChoices(const PlaneColours& table)
{
    const int count = std::min(table.planeCount(), kMaxPlanes);
    for (int p = 0; p < count; ++p) {
        m_colours.push_back(table.colour(p));
        m_captions.push_back(table.caption(p));
    }
}

void PlaneChoices::setCaption(int plane, std::string caption)
{
    if (valid(plane))
        m_captions[static_cast<std::size_t>(plane)] = std::move(caption);
}

void PlaneChoices::setColour(int plane, PlaneColour colour)
{
    if (!valid(plane))
        return;
    for (int other = 0; other < planeCount(); ++other) {
        if (other == plane)
            continue;
        PlaneColour& code = m_colours[static_cast<std::size_t>(other)];
        const bool clash = colour == PlaneColour::White ? isColour(code)
                           : isColour(colour)           ? (code == PlaneColour::White || code == colour)
                                                        : false;
        if (clash)
            code = PlaneColour::None;
    }
    m_colours[static_cast<std::size_t>(plane)] = colour;
}

void PlaneChoices::applyTo(PlaneColours& table) const
{
    for (int p = 0; p < planeCount(); ++p) {
        table.setColour(p, colour(p));
        table.setCaption(p, caption(p));
    }
}

} // namespace velmora::client
