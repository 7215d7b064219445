#include "server/camera/camera_environment.h"

#include <algorithm>

namespace velmora::server {

std::chrono::milliseconds CameraEnvironment::frameWaitFor(std::uint32_t framePeriod) const
{
    const std::chrono::milliseconds periods(std::int64_t{framePeriod} * kFramePeriodsWaited / 10000);
    return std::max(frameWaitLimit, periods);
}

} // namespace velmora::server
