#pragma once

#include "client/image/image_frame.h"

namespace velmora::client {

// Dark subtraction and flat correction of the raw frame. The window only calls them
// when the option is on and the reference frame has the raw frame's dimensions.
class FrameCorrector {
public:
    virtual ~FrameCorrector() = default;
    virtual void subtractDark(ImageFrame& raw, const ImageFrame& dark) = 0;
    virtual void applyFlat(ImageFrame& raw, const ImageFrame& flatGains) = 0;
};

} // namespace velmora::client
