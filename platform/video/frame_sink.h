#pragma once
// Receives every frame of a capture pipeline, on the pipeline's streaming thread, one
// frame at a time and in order (the role of the camera's frame-receiving renderer).

#include "platform/video/video_frame.h"

namespace velmora::platform {

class FrameSink {
public:
    virtual ~FrameSink() = default;
    // The frame's bytes are valid only during the call.
    virtual void deliverFrame(const VideoFrame& frame) = 0;
};

} // namespace velmora::platform
