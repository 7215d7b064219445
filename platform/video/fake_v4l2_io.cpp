#include "platform/video/fake_v4l2_io.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace velmora::platform::testing {

namespace {

int fail(int error)
{
    errno = error;
    return -1;
}

void setFormat(FakeV4l2Device& d, v4l2_pix_format& pix)
{
    if (d.snapsToListedSize && !d.sizes.empty() && d.sizes[0].type == V4L2_FRMSIZE_TYPE_DISCRETE) {
        const v4l2_frmsizeenum* best = &d.sizes[0];
        auto distance = [&](const v4l2_frmsizeenum& e) {
            return std::labs(long(e.discrete.width) - long(pix.width)) +
                   std::labs(long(e.discrete.height) - long(pix.height));
        };
        for (const auto& e : d.sizes)
            if (distance(e) < distance(*best))
                best = &e;
        pix.width = best->discrete.width;
        pix.height = best->discrete.height;
    }
    pix.pixelformat = d.deliversBgr ? V4L2_PIX_FMT_BGR24 : V4L2_PIX_FMT_YUYV;
    pix.bytesperline = pix.width * 3 + d.rowPadding;
    pix.sizeimage = pix.bytesperline * pix.height;
    d.current = pix;
    ++d.formatsSet;
}

const std::vector<v4l2_frmsizeenum>* sizesOf(const FakeV4l2Device& d, std::uint32_t fourcc)
{
    if (fourcc == V4L2_PIX_FMT_BGR24)
        return &d.sizes;
    for (const auto& native : d.nativeFormats)
        if (native.fourcc == fourcc)
            return &native.sizes;
    return nullptr;
}

int enumerateFormat(const FakeV4l2Device& d, v4l2_fmtdesc& e)
{
    if (!d.enumeratesFormats || e.type != V4L2_BUF_TYPE_VIDEO_CAPTURE || e.index > d.nativeFormats.size())
        return fail(EINVAL);
    const std::uint32_t index = e.index;
    e = {};
    e.index = index;
    e.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    std::string description = "BGR24";
    if (index < d.nativeFormats.size()) {
        e.pixelformat = d.nativeFormats[index].fourcc;
        description = d.nativeFormats[index].description;
    } else {
        e.pixelformat = V4L2_PIX_FMT_BGR24;
        e.flags = d.nativeFormats.empty() ? 0 : V4L2_FMT_FLAG_EMULATED;
    }
    std::memcpy(e.description, description.data(), std::min(description.size(), sizeof e.description - 1));
    return 0;
}

} // namespace

FakeV4l2Device& FakeV4l2Io::add(const std::string& path)
{
    auto& slot = m_devices[path];
    slot = std::make_unique<FakeV4l2Device>();
    m_order.push_back(path);
    v4l2_pix_format initial{};
    initial.width = 320;
    initial.height = 240;
    setFormat(*slot, initial);
    slot->formatsSet = 0;
    return *slot;
}

int FakeV4l2Io::open(const std::string& path)
{
    auto it = m_devices.find(path);
    if (it == m_devices.end())
        return fail(ENOENT);
    if (!it->second->opens)
        return fail(EBUSY);
    const int fd = m_nextFd++;
    m_open[fd] = it->second.get();
    ++it->second->openCount;
    return fd;
}

void FakeV4l2Io::close(int fd)
{
    m_open.erase(fd);
}

int FakeV4l2Io::ioctl(int fd, unsigned long request, void* argument)
{
    auto it = m_open.find(fd);
    if (it == m_open.end())
        return fail(EBADF);
    FakeV4l2Device& d = *it->second;
    switch (request) {
    case VIDIOC_QUERYCAP: {
        auto* cap = static_cast<v4l2_capability*>(argument);
        *cap = {};
        std::memcpy(cap->card, d.card.data(), std::min(d.card.size(), sizeof cap->card));
        cap->capabilities = d.capabilities | V4L2_CAP_DEVICE_CAPS;
        cap->device_caps = d.capabilities;
        return 0;
    }
    case VIDIOC_QUERYCTRL:
    case VIDIOC_QUERYMENU:
    case VIDIOC_G_CTRL:
    case VIDIOC_S_CTRL:
        return controlIoctl(d, request, argument);
    case VIDIOC_REQBUFS:
    case VIDIOC_QUERYBUF:
    case VIDIOC_QBUF:
    case VIDIOC_DQBUF:
    case VIDIOC_STREAMON:
    case VIDIOC_STREAMOFF:
        return streamIoctl(d, request, argument);
    default:
        return formatIoctl(d, request, argument);
    }
}

int FakeV4l2Io::formatIoctl(FakeV4l2Device& d, unsigned long request, void* argument)
{
    switch (request) {
    case VIDIOC_ENUM_FMT:
        return enumerateFormat(d, *static_cast<v4l2_fmtdesc*>(argument));
    case VIDIOC_ENUM_FRAMESIZES: {
        auto* e = static_cast<v4l2_frmsizeenum*>(argument);
        const std::vector<v4l2_frmsizeenum>* sizes = sizesOf(d, e->pixel_format);
        if (!sizes || e->index >= sizes->size())
            return fail(EINVAL);
        const v4l2_frmsizeenum asked = *e;
        *e = (*sizes)[asked.index];
        e->index = asked.index;
        e->pixel_format = asked.pixel_format;
        return 0;
    }
    case VIDIOC_ENUM_FRAMEINTERVALS: {
        auto* e = static_cast<v4l2_frmivalenum*>(argument);
        if (e->index >= d.intervals.size())
            return fail(EINVAL);
        const v4l2_frmivalenum asked = *e;
        *e = d.intervals[asked.index];
        e->index = asked.index;
        e->width = asked.width;
        e->height = asked.height;
        e->pixel_format = asked.pixel_format;
        return 0;
    }
    case VIDIOC_S_FMT:
    case VIDIOC_G_FMT: {
        auto* f = static_cast<v4l2_format*>(argument);
        if (f->type != V4L2_BUF_TYPE_VIDEO_CAPTURE)
            return fail(EINVAL);
        if (request == VIDIOC_S_FMT) {
            if (!d.buffers.empty())
                return fail(EBUSY);
            setFormat(d, f->fmt.pix);
        }
        f->fmt.pix = d.current;
        return 0;
    }
    case VIDIOC_G_PARM:
    case VIDIOC_S_PARM: {
        auto* p = static_cast<v4l2_streamparm*>(argument);
        if (request == VIDIOC_S_PARM) {
            if (!d.timePerFrame)
                return fail(EINVAL);
            d.interval = p->parm.capture.timeperframe;
            ++d.parametersSet;
        }
        p->parm.capture.capability = d.timePerFrame ? V4L2_CAP_TIMEPERFRAME : 0;
        p->parm.capture.timeperframe = d.timePerFrame ? d.interval : v4l2_fract{0, 0};
        return 0;
    }
    default:
        return fail(ENOTTY);
    }
}

int FakeV4l2Io::controlIoctl(FakeV4l2Device& d, unsigned long request, void* argument)
{
    auto find = [&d](std::uint32_t id) -> const v4l2_queryctrl* {
        for (const auto& c : d.controls)
            if (c.id == id)
                return &c;
        return nullptr;
    };
    if (request == VIDIOC_QUERYCTRL) {
        auto* q = static_cast<v4l2_queryctrl*>(argument);
        if (q->id & V4L2_CTRL_FLAG_NEXT_CTRL) {
            if (!d.nextCtrl || d.controls.empty())
                return fail(EINVAL);
            const std::uint32_t after = q->id & ~V4L2_CTRL_FLAG_NEXT_CTRL;
            const v4l2_queryctrl* next = d.nextCtrlStuck ? &d.controls.front() : nullptr;
            for (const auto& c : d.controls)
                if (!next && c.id > after)
                    next = &c;
            if (!next)
                return fail(EINVAL);
            *q = *next;
            return 0;
        }
        const v4l2_queryctrl* c = find(q->id);
        if (!c)
            return fail(EINVAL);
        *q = *c;
        return 0;
    }
    if (request == VIDIOC_QUERYMENU) {
        auto* m = static_cast<v4l2_querymenu*>(argument);
        for (const auto& item : d.menus[m->id])
            if (item.index == m->index) {
                *m = item;
                return 0;
            }
        return fail(EINVAL);
    }
    auto* c = static_cast<v4l2_control*>(argument);
    const v4l2_queryctrl* q = find(c->id);
    if (!q)
        return fail(EINVAL);
    if (request == VIDIOC_G_CTRL) {
        if (q->flags & V4L2_CTRL_FLAG_WRITE_ONLY)
            return fail(EACCES);
        c->value = d.values.count(c->id) ? d.values[c->id] : q->default_value;
        return 0;
    }
    if (c->value < q->minimum || c->value > q->maximum)
        return fail(ERANGE);
    d.values[c->id] = c->value;
    return 0;
}

int FakeV4l2Io::streamIoctl(FakeV4l2Device& d, unsigned long request, void* argument)
{
    switch (request) {
    case VIDIOC_REQBUFS: {
        auto* r = static_cast<v4l2_requestbuffers*>(argument);
        if (d.streaming)
            return fail(EBUSY);
        d.buffers.clear();
        d.queued.clear();
        if (r->count == 0)
            return 0;
        r->count = d.grantedBuffers;
        d.buffers.assign(r->count, std::vector<std::uint8_t>(d.current.sizeimage));
        return 0;
    }
    case VIDIOC_QUERYBUF:
    case VIDIOC_QBUF: {
        auto* b = static_cast<v4l2_buffer*>(argument);
        if (b->index >= d.buffers.size())
            return fail(EINVAL);
        if (request == VIDIOC_QBUF) {
            d.queued.push_back(b->index);
            return 0;
        }
        b->length = static_cast<std::uint32_t>(d.buffers[b->index].size());
        b->m.offset = b->index * 4096;
        return 0;
    }
    case VIDIOC_DQBUF: {
        auto* b = static_cast<v4l2_buffer*>(argument);
        if (d.failsDequeue)
            return fail(ENODEV);
        if (!d.streaming || d.queued.empty())
            return fail(EAGAIN);
        b->index = d.queued.front();
        d.queued.erase(d.queued.begin());
        auto& buffer = d.buffers[b->index];
        if (d.fill)
            d.fill(buffer.data(), d.current, d.framesDequeued);
        ++d.framesDequeued;
        b->bytesused =
            d.truncateBytesUsedTo ? d.truncateBytesUsedTo : static_cast<std::uint32_t>(buffer.size());
        b->flags = 0;
        return 0;
    }
    case VIDIOC_STREAMON:
        d.streaming = true;
        ++d.streamOns;
        return 0;
    default: // VIDIOC_STREAMOFF
        d.streaming = false;
        d.queued.clear();
        ++d.streamOffs;
        return 0;
    }
}

void* FakeV4l2Io::mmap(int fd, std::size_t length, std::int64_t offset)
{
    auto it = m_open.find(fd);
    if (it == m_open.end() || it->second->failsMmap)
        return nullptr;
    FakeV4l2Device& d = *it->second;
    const std::size_t index = static_cast<std::size_t>(offset / 4096);
    if (index >= d.buffers.size() || length != d.buffers[index].size())
        return nullptr;
    ++d.mapped;
    return d.buffers[index].data();
}

void FakeV4l2Io::munmap(void* address, std::size_t)
{
    for (auto& [path, d] : m_devices)
        for (auto& buffer : d->buffers)
            if (buffer.data() == address)
                ++d->unmapped;
}

int FakeV4l2Io::waitReadable(int fd, int)
{
    auto it = m_open.find(fd);
    if (it == m_open.end())
        return -1;
    const FakeV4l2Device& d = *it->second;
    if (d.failsDequeue)
        return 1;
    return d.streaming && !d.queued.empty() ? 1 : 0;
}

v4l2_frmsizeenum discreteSize(std::uint32_t width, std::uint32_t height)
{
    v4l2_frmsizeenum e{};
    e.type = V4L2_FRMSIZE_TYPE_DISCRETE;
    e.discrete = {width, height};
    return e;
}

v4l2_frmivalenum discreteInterval(std::uint32_t numerator, std::uint32_t denominator)
{
    v4l2_frmivalenum e{};
    e.type = V4L2_FRMIVAL_TYPE_DISCRETE;
    e.discrete = {numerator, denominator};
    return e;
}

v4l2_queryctrl integerControl(std::uint32_t id, const char* name, std::int32_t min, std::int32_t max,
                              std::int32_t step, std::int32_t defaultValue, std::uint32_t type)
{
    v4l2_queryctrl q{};
    q.id = id;
    q.type = type;
    std::memcpy(q.name, name, std::min(std::strlen(name), sizeof q.name));
    q.minimum = min;
    q.maximum = max;
    q.step = step;
    q.default_value = defaultValue;
    return q;
}

} // namespace velmora::platform::testing
