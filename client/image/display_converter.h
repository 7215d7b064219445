#pragma once
// Conversion of the working frame into the display surface by the plane colour codes:
// with any White plane the picture is the grey mean of the White planes alone,
// otherwise every Blue, Green and Red plane fills its own channel and None planes
// are left out.

#include "client/image/display_surface.h"
#include "client/image/image_frame.h"
#include "client/image/plane_colours.h"

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace velmora::client {

class DisplayConverter {
public:
    // The surface must be valid and exactly the frame's width and height (false
    // otherwise, nothing written). Planes without a colour code count as White.
    bool convert(const ImageFrame& frame, std::span<const PlaneColour> colours,
                 const DisplaySurface& surface);

private:
    void convertGrey(const ImageFrame& frame, const DisplaySurface& surface);
    void convertColour(const ImageFrame& frame, const DisplaySurface& surface);
    void convertColour565(const ImageFrame& frame, const DisplaySurface& surface);

    std::vector<int> m_whitePlanes;
    std::vector<std::pair<int, PlaneColour>> m_colourPlanes;
    std::vector<const std::uint16_t*> m_rows;
    std::vector<std::uint16_t> m_zeroRow;
};

} // namespace velmora::client
