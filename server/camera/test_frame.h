#pragma once
// Test support: a blue-green-red frame of bytes or sums, with optional row padding
// filled with a marker that no conversion may pick up.

#include "server/camera/sample_view.h"

#include <vector>

namespace velmora::server::testing {

template <typename Sample> class TestFrame {
public:
    TestFrame(int width, int height, int padding = 0, Sample fill = 0, Sample padMarker = 0)
        : m_width(width), m_height(height), m_stride(3 * width + padding),
          m_samples(static_cast<std::size_t>(m_stride) * height, padMarker)
    {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                set(x, y, fill, fill, fill);
    }

    void set(int x, int y, Sample blue, Sample green, Sample red)
    {
        Sample* p = &m_samples[static_cast<std::size_t>(y) * m_stride + 3 * x];
        p[0] = blue;
        p[1] = green;
        p[2] = red;
    }
    void setChannel(int x, int y, int channel, Sample v)
    {
        m_samples[static_cast<std::size_t>(y) * m_stride + 3 * x + channel] = v;
    }

    SampleView<Sample> view() const { return {m_samples.data(), m_width, m_height, m_stride}; }

private:
    int m_width;
    int m_height;
    std::ptrdiff_t m_stride;
    std::vector<Sample> m_samples;
};

} // namespace velmora::server::testing
