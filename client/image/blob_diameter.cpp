#include "client/image/blob_diameter.h"

#include "client/image/star_measurement.h"

#include <algorithm>

namespace velmora::client {

namespace {

// Brightness is 0…1, so this value marks a pixel as background already visited.
constexpr double kVisited = 10.0;

} // namespace

void BlobDiameter::loadBrightness(const ImageFrame& frame, const PixelRect& clip)
{
    const int w = clip.width();
    const int planes = frame.planeCount();
    const double scale = 1.0 / planes / 65535.0;
    m_brightness.assign(static_cast<std::size_t>(clip.area()), 0.0);
    for (int y = clip.top; y < clip.bottom; ++y) {
        double* out =
            m_brightness.data() + static_cast<std::size_t>(y - clip.top) * static_cast<std::size_t>(w);
        for (int p = 0; p < planes; ++p) {
            const std::uint16_t* row = frame.row(p, y) + clip.left;
            for (int x = 0; x < w; ++x)
                out[x] += row[x];
        }
        for (int x = 0; x < w; ++x)
            out[x] *= scale;
    }
}

void BlobDiameter::markBorderAndSeed(int w, int h)
{
    auto index = [w](int x, int y) { return y * w + x; };
    for (int x = 0; x < w; ++x) {
        m_brightness[static_cast<std::size_t>(index(x, 0))] = kVisited;
        m_brightness[static_cast<std::size_t>(index(x, h - 1))] = kVisited;
    }
    for (int y = 0; y < h; ++y) {
        m_brightness[static_cast<std::size_t>(index(0, y))] = kVisited;
        m_brightness[static_cast<std::size_t>(index(w - 1, y))] = kVisited;
    }
    m_queue.clear();
    // Below 3 × 3 there is no inner ring: every pixel is border, and seeding would
    // look outside the rectangle.
    if (w < 3 || h < 3)
        return;
    for (int y = 1; y <= h - 2; ++y) {
        m_queue.push_back(index(1, y));
        m_queue.push_back(index(w - 2, y));
    }
    for (int x = 1; x <= w - 2; ++x) {
        m_queue.push_back(index(x, 1));
        m_queue.push_back(index(x, h - 2));
    }
}

void BlobDiameter::fill(int w, int h, double limit)
{
    // Breadth first: the queue grows at the back while it is read from the front.
    for (std::size_t next = 0; next < m_queue.size(); ++next) {
        const int cx = m_queue[next] % w;
        const int cy = m_queue[next] / w;
        for (int y = std::max(cy - 1, 0); y <= std::min(cy + 1, h - 1); ++y) {
            for (int x = std::max(cx - 1, 0); x <= std::min(cx + 1, w - 1); ++x) {
                double& b = m_brightness[static_cast<std::size_t>(y * w + x)];
                // The visited test keeps a fraction above 1 from queueing pixels again.
                if (b != kVisited && b <= limit) {
                    b = kVisited;
                    m_queue.push_back(y * w + x);
                }
            }
        }
    }
}

double BlobDiameter::MeasureBlobDiameter(ImageFrame& frame, const PixelRect& rect, double fraction, double sx,
                                         double sy)
{
    m_starArea = 0;
    const PixelRect clip = rect.clippedTo(frame.width(), frame.height());
    if (clip.isEmpty())
        return 0.0;
    const int w = clip.width();
    const int h = clip.height();
    loadBrightness(frame, clip);
    const double brightest = *std::max_element(m_brightness.begin(), m_brightness.end());
    markBorderAndSeed(w, h);
    fill(w, h, brightest * fraction);

    long long background = 0;
    for (int y = 0; y < h; ++y) {
        std::uint16_t* row = frame.row(0, clip.top + y) + clip.left;
        for (int x = 0; x < w; ++x) {
            if (m_brightness[static_cast<std::size_t>(y * w + x)] == kVisited) {
                ++background;
                row[x] |= 0x8000;
            }
        }
    }
    m_starArea = clip.area() - background;
    return DiscDiameter(static_cast<double>(m_starArea), sx, sy);
}

} // namespace velmora::client
