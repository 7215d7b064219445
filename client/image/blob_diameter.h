#pragma once
// Star diameter by background flood fill, as automatic focusing measures it: inside
// the clipped rectangle everything at or below a fraction of the brightest pixel
// that is 8-connected to the border is background, the rest is the star.
// Keeps its scratch buffers between calls so the per-frame path does not allocate
// once the rectangle size has been seen.

#include "client/image/image_frame.h"
#include "client/image/pixel_rect.h"

#include <vector>

namespace velmora::client {

class BlobDiameter {
public:
    // Diameter in arcseconds, 2·sqrt(A·sx·sy/π) with A the star's pixel count. Marks
    // bit 15 of the plane-0 sample of every background pixel in frame, so the
    // display shows how far the fill reached. An empty rectangle gives 0.
    double MeasureBlobDiameter(ImageFrame& frame, const PixelRect& rect, double fraction, double sx,
                               double sy);

    // Pixels counted as star by the last measurement.
    long long lastStarArea() const { return m_starArea; }

private:
    void loadBrightness(const ImageFrame& frame, const PixelRect& clip);
    void markBorderAndSeed(int w, int h);
    void fill(int w, int h, double limit);

    std::vector<double> m_brightness;
    std::vector<int> m_queue;
    long long m_starArea = 0;
};

} // namespace velmora::client
