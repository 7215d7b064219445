#include "platform/video/v4l2_controls.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

namespace velmora::platform::v4l2 {

namespace {

// A fixed-size name field that a driver may fill to the last byte without a NUL.
template <std::size_t N> std::string nameOf(const std::uint8_t (&field)[N])
{
    const char* text = reinterpret_cast<const char*>(field);
    return std::string(text, strnlen(text, N));
}

std::optional<VideoControlType> typeOf(std::uint32_t type)
{
    switch (type) {
    case V4L2_CTRL_TYPE_INTEGER:
        return VideoControlType::Integer;
    case V4L2_CTRL_TYPE_BOOLEAN:
        return VideoControlType::Boolean;
    case V4L2_CTRL_TYPE_MENU:
        return VideoControlType::Menu;
    case V4L2_CTRL_TYPE_INTEGER_MENU:
        return VideoControlType::IntegerMenu;
    case V4L2_CTRL_TYPE_BUTTON:
        return VideoControlType::Button;
    default:
        return std::nullopt;
    }
}

std::vector<VideoControlMenuItem> menuOf(V4l2Io& io, int fd, const v4l2_queryctrl& q, bool integerMenu)
{
    std::vector<VideoControlMenuItem> items;
    const std::int64_t last = std::min<std::int64_t>(q.maximum, std::int64_t{q.minimum} + kMaxMenuItems - 1);
    for (std::int64_t index = q.minimum; index <= last; ++index) {
        v4l2_querymenu m{};
        m.id = q.id;
        m.index = static_cast<std::uint32_t>(index);
        if (io.ioctl(fd, VIDIOC_QUERYMENU, &m) != 0)
            continue; // menus may have gaps
        VideoControlMenuItem item{static_cast<std::int32_t>(index), {}};
        if (integerMenu) {
            char text[32];
            std::snprintf(text, sizeof text, "%lld", static_cast<long long>(m.value));
            item.name = text;
        } else {
            item.name = nameOf(m.name);
        }
        items.push_back(std::move(item));
    }
    return items;
}

// The control described by a QUERYCTRL answer, if it is one the source page can serve.
std::optional<VideoControl> usable(V4l2Io& io, int fd, const v4l2_queryctrl& q)
{
    const std::optional<VideoControlType> type = typeOf(q.type);
    if (!type || (q.flags & V4L2_CTRL_FLAG_DISABLED))
        return std::nullopt;
    VideoControl control;
    control.id = q.id;
    control.name = nameOf(q.name);
    control.type = *type;
    control.minimum = q.minimum;
    control.maximum = q.maximum;
    control.step = q.step > 0 ? q.step : 1;
    control.defaultValue = q.default_value;
    control.readOnly = (q.flags & V4L2_CTRL_FLAG_READ_ONLY) != 0;
    control.inactive = (q.flags & V4L2_CTRL_FLAG_INACTIVE) != 0;
    if (*type == VideoControlType::Menu || *type == VideoControlType::IntegerMenu)
        control.menu = menuOf(io, fd, q, *type == VideoControlType::IntegerMenu);
    return control;
}

bool query(V4l2Io& io, int fd, std::uint32_t id, v4l2_queryctrl& q)
{
    q = {};
    q.id = id;
    return io.ioctl(fd, VIDIOC_QUERYCTRL, &q) == 0;
}

// Drivers without V4L2_CTRL_FLAG_NEXT_CTRL: the standard user controls, then private
// ones from V4L2_CID_PRIVATE_BASE until the first gap.
std::vector<VideoControl> listByRange(V4l2Io& io, int fd)
{
    std::vector<VideoControl> controls;
    v4l2_queryctrl q;
    for (std::uint32_t id = V4L2_CID_BASE; id < V4L2_CID_LASTP1; ++id) {
        if (query(io, fd, id, q))
            if (auto c = usable(io, fd, q))
                controls.push_back(std::move(*c));
    }
    for (std::uint32_t id = V4L2_CID_PRIVATE_BASE; id < V4L2_CID_PRIVATE_BASE + kMaxControls; ++id) {
        if (!query(io, fd, id, q))
            break;
        if (auto c = usable(io, fd, q))
            controls.push_back(std::move(*c));
    }
    return controls;
}

} // namespace

std::vector<VideoControl> listControls(V4l2Io& io, int fd)
{
    std::vector<VideoControl> controls;
    v4l2_queryctrl q;
    std::uint32_t last = 0;
    bool answered = false;
    for (int i = 0; i < kMaxControls && query(io, fd, last | V4L2_CTRL_FLAG_NEXT_CTRL, q); ++i) {
        answered = true;
        if (q.id <= last)
            break; // a driver that does not move on would loop for ever
        last = q.id;
        if (auto c = usable(io, fd, q))
            controls.push_back(std::move(*c));
    }
    return answered ? controls : listByRange(io, fd);
}

std::optional<VideoControl> findControl(V4l2Io& io, int fd, std::uint32_t id)
{
    v4l2_queryctrl q;
    if ((id & V4L2_CTRL_FLAG_NEXT_CTRL) || !query(io, fd, id, q) || q.id != id)
        return std::nullopt;
    return usable(io, fd, q);
}

std::optional<std::int32_t> readControl(V4l2Io& io, int fd, std::uint32_t id)
{
    const std::optional<VideoControl> control = findControl(io, fd, id);
    if (!control || control->type == VideoControlType::Button)
        return std::nullopt;
    v4l2_control c{};
    c.id = id;
    if (io.ioctl(fd, VIDIOC_G_CTRL, &c) != 0)
        return std::nullopt;
    return c.value;
}

bool writeControl(V4l2Io& io, int fd, std::uint32_t id, std::int32_t value)
{
    const std::optional<VideoControl> control = findControl(io, fd, id);
    if (!control || control->readOnly)
        return false;
    if (control->type != VideoControlType::Button) {
        if (value < control->minimum || value > control->maximum)
            return false;
        const bool isMenu =
            control->type == VideoControlType::Menu || control->type == VideoControlType::IntegerMenu;
        if (isMenu && std::none_of(control->menu.begin(), control->menu.end(),
                                   [value](const VideoControlMenuItem& item) { return item.value == value; }))
            return false;
    }
    v4l2_control c{};
    c.id = id;
    c.value = value;
    return io.ioctl(fd, VIDIOC_S_CTRL, &c) == 0;
}

} // namespace velmora::platform::v4l2
