#pragma once

#include "client/image/image_frame.h"

namespace velmora::client {

// A calibration average in progress: receives every new raw frame of its window,
// converted but before dark and flat correction. One at a time per window.
class CalibrationSink {
public:
    virtual ~CalibrationSink() = default;
    virtual void addRawFrame(const ImageFrame& raw) = 0;
};

} // namespace velmora::client
