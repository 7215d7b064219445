#include "server/camera/sub_frame_limits.h"

#include <algorithm>

namespace velmora::server {

int SubFrameLimits::minimumFor(int extent)
{
    return std::min(kMinSize, extent);
}

void SubFrameLimits::putStart(int value, int& start, int& size, int extent)
{
    extent = std::max(extent, 1);
    start = std::max(value, 0);
    start = std::min(start, extent - minimumFor(extent));
    size = std::max(size, minimumFor(extent));
    size = std::min(size, extent - start);
}

void SubFrameLimits::putSize(int value, int& start, int& size, int extent)
{
    extent = std::max(extent, 1);
    size = std::max(value, minimumFor(extent));
    size = std::min(size, extent);
    start = std::max(start, 0);
    start = std::min(start, extent - size);
}

void SubFrameLimits::fit(int& start, int& size, int extent)
{
    putSize(size, start, size, extent);
}

} // namespace velmora::server
