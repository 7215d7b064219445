#pragma once
// The plane dialog ("Planes") without its window: the captions and colour codes of
// the planes being edited, with the rule that keeps them consistent — several planes
// may be White together, each colour (Blue, Green, Red) is used at most once, and White
// and colours never mix. OK stores them in the program's plane table.

#include "client/image/plane_colours.h"

#include <string>
#include <vector>

namespace velmora::client {

class PlaneChoices {
public:
    static constexpr int kMaxPlanes = 10;
    // The list's choices in order; a colour code is its index.
    static const std::vector<std::string>& colourNames();

    // The rows of the table's planes (at most ten).
    explicit PlaneChoices(const PlaneColours& table);

    int planeCount() const { return static_cast<int>(m_colours.size()); }
    PlaneColour colour(int plane) const { return m_colours[static_cast<std::size_t>(plane)]; }
    const std::string& caption(int plane) const { return m_captions[static_cast<std::size_t>(plane)]; }
    void setCaption(int plane, std::string caption);
    // Choosing White sets every plane with a colour to None; choosing a colour sets
    // every other plane that is White or of the same colour to None.
    void setColour(int plane, PlaneColour colour);

    // OK: every caption and colour into the table.
    void applyTo(PlaneColours& table) const;

    // The dialog loses 26 dialog units per hidden row.
    static int hiddenHeight(int planeCount) { return 26 * (kMaxPlanes - planeCount); }

private:
    bool valid(int plane) const { return plane >= 0 && plane < planeCount(); }

    std::vector<PlaneColour> m_colours;
    std::vector<std::string> m_captions;
};

} // namespace velmora::client
