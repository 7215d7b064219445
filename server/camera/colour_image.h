#pragma once
// The camera's result image: 32-bit signed values, plane after plane (blue, green, red
// for three planes), each plane row after row with x fastest. Storage is reallocated
// and zero-filled only when the shape changes, so a conversion into an image of the
// same shape finds the previous conversion's values in place.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmora::server {

class ColourImage {
public:
    // True when the storage was reallocated (and zero-filled).
    bool reshape(int width, int height, int planes);

    int width() const { return m_width; }
    int height() const { return m_height; }
    int planeCount() const { return m_planes; }
    bool empty() const { return m_values.empty(); }

    std::size_t planeSize() const
    {
        return static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height);
    }
    std::size_t valueCount() const { return m_values.size(); }
    // width x height x planes x 4, the size of the image in bytes.
    std::size_t byteCount() const { return m_values.size() * sizeof(std::int32_t); }

    std::int32_t* plane(int p) { return m_values.data() + planeSize() * static_cast<std::size_t>(p); }
    const std::int32_t* plane(int p) const
    {
        return m_values.data() + planeSize() * static_cast<std::size_t>(p);
    }
    const std::int32_t* data() const { return m_values.data(); }
    std::int32_t at(int x, int y, int p) const { return plane(p)[static_cast<std::size_t>(y) * m_width + x]; }

private:
    int m_width = 0;
    int m_height = 0;
    int m_planes = 0;
    std::vector<std::int32_t> m_values;
};

} // namespace velmora::server
