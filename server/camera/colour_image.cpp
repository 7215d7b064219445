#include "server/camera/colour_image.h"

namespace velmora::server {

bool ColourImage::reshape(int width, int height, int planes)
{
    if (width == m_width && height == m_height && planes == m_planes)
        return false;
    m_width = width;
    m_height = height;
    m_planes = planes;
    // Assign rather than resize: the new storage starts at zero everywhere.
    m_values.assign(planeSize() * static_cast<std::size_t>(planes), 0);
    return true;
}

} // namespace velmora::server
