#pragma once
// Test helper: a camera image in the driver's storage order (x fastest, then y,
// then plane) with convenient pixel setters.

#include <cstdint>
#include <span>
#include <vector>

namespace velmora::client {

struct TestCamera {
    TestCamera(int w, int h, int planes = 1, std::int32_t fill = 0)
        : width(w), height(h), planeCount(planes),
          samples(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) *
                      static_cast<std::size_t>(planes),
                  fill)
    {
    }

    std::int32_t& at(int x, int y, int plane = 0)
    {
        return samples[static_cast<std::size_t>(x + width * (y + height * plane))];
    }
    TestCamera& set(int x, int y, std::int32_t value, int plane = 0)
    {
        at(x, y, plane) = value;
        return *this;
    }
    std::span<const std::int32_t> span() const { return samples; }

    int width;
    int height;
    int planeCount;
    std::vector<std::int32_t> samples;
};

} // namespace velmora::client
