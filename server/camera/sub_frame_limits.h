#pragma once
// The camera's sub-frame rules, one axis at a time (StartX/NumX against CameraXSize,
// StartY/NumY against CameraYSize): at least 128 pixels each way, always inside the
// frame. On a frame narrower than 128 pixels the whole frame is the smallest sub-frame,
// so the result still lies inside it.

namespace velmora::server {

class SubFrameLimits {
public:
    static constexpr int kMinSize = 128;

    // `StartX` put: the start first, then the size that still fits after it.
    static void putStart(int value, int& start, int& size, int extent);
    // `NumX` put: the size first, then the start that still fits before it.
    static void putSize(int value, int& start, int& size, int extent);
    // After connecting and after a format change: size, then start.
    static void fit(int& start, int& size, int extent);

private:
    static int minimumFor(int extent);
};

} // namespace velmora::server
