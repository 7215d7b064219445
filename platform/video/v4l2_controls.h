#pragma once
// The settings of a V4L2 device for the source page, through VIDIOC_QUERYCTRL,
// VIDIOC_QUERYMENU, VIDIOC_G_CTRL and VIDIOC_S_CTRL. Only controls that a plain 32-bit
// get/set can serve are listed (integer, boolean, menu, integer menu, button); disabled
// controls and class headings are left out.

#include "platform/video/v4l2_io.h"
#include "platform/video/video_control.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace velmora::platform::v4l2 {

// A bound on what one device may list, against drivers that never stop.
constexpr int kMaxControls = 1024;
constexpr int kMaxMenuItems = 256;

std::vector<VideoControl> listControls(V4l2Io& io, int fd);
std::optional<VideoControl> findControl(V4l2Io& io, int fd, std::uint32_t id);
std::optional<std::int32_t> readControl(V4l2Io& io, int fd, std::uint32_t id);
// False for an unknown, disabled or read-only control, a value outside its range or
// not among its menu entries, or a refusal by the device.
bool writeControl(V4l2Io& io, int fd, std::uint32_t id, std::int32_t value);

} // namespace velmora::platform::v4l2
