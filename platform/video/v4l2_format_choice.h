#pragma once
// Choosing among what a V4L2 device offers: the frame size and frame interval closest
// to the camera's request, the list for the format page, and the row stride of a frame.

#include "platform/video/video_format.h"

#include <linux/videodev2.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace velmora::platform::v4l2 {

struct FrameSize {
    int width = 0;
    int height = 0;
    bool operator==(const FrameSize&) const = default;
};

// The offered size nearest to width x height (least |dw| + |dh|, the first of equals);
// a stepwise or continuous range gives the request clamped into it and rounded to its
// steps. None when nothing is offered.
std::optional<FrameSize> closestFrameSize(const std::vector<v4l2_frmsizeenum>& offered, int width,
                                          int height);

// The offered interval nearest to `period` (100 ns units); ranges as above. None when
// nothing usable is offered.
std::optional<v4l2_fract> closestFrameInterval(const std::vector<v4l2_frmivalenum>& offered,
                                               std::uint32_t period);

// Seconds per frame as 100 ns units (0 for a zero denominator; saturates at 2^32 - 1).
std::uint32_t periodOf(const v4l2_fract& interval);
// 100 ns units as a reduced fraction of seconds.
v4l2_fract intervalOf(std::uint32_t period);

// Sizes for the format page: the discrete ones, or for a range its smallest, its
// largest and the usual sizes in between that it can make.
std::vector<FrameSize> listedSizes(const std::vector<v4l2_frmsizeenum>& offered);
// Periods for the format page at one size.
std::vector<std::uint32_t> listedPeriods(const std::vector<v4l2_frmivalenum>& offered);

// Bytes from one row to the next: the device's bytesperline, never less than 3 x width.
std::size_t strideOf(const v4l2_pix_format& format);

} // namespace velmora::platform::v4l2
