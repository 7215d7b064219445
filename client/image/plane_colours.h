#pragma once
// The program-wide table of plane display colours and captions for the current
// plane count, kept in section "Hardware" as "Color-%d-%d" and "Caption-%d-%d"
// (plane count, plane index).

#include "client/image/rgb_colour.h"

#include <string>
#include <vector>

namespace velmora::client {

class SettingsStore;

enum class PlaneColour { Blue = 0, Green = 1, Red = 2, White = 3, None = 4 };

// The colour in which a plane of this code is drawn in the histogram graph.
RgbColour graphColour(PlaneColour colour);

class PlaneColours {
public:
    static constexpr PlaneColour kDefaultColour = PlaneColour::White;

    // Every plane White with its default caption.
    explicit PlaneColours(int planeCount = 0);

    // Reads the table for planeCount planes; a stored code outside 0…4 gives the default.
    void load(const SettingsStore& store, int planeCount);
    void save(SettingsStore& store) const;

    int planeCount() const { return static_cast<int>(m_colours.size()); }
    // Planes beyond the table are White, as the default says.
    PlaneColour colour(int plane) const;
    const std::string& caption(int plane) const;
    void setColour(int plane, PlaneColour colour);
    void setCaption(int plane, std::string caption);
    const std::vector<PlaneColour>& colours() const { return m_colours; }

    static std::string defaultCaption(int plane);

private:
    std::vector<PlaneColour> m_colours;
    std::vector<std::string> m_captions;
};

} // namespace velmora::client
