#pragma once
// What the camera's frame callback does with each frame, by camera state: sum it into a
// zero-length exposure, collect it as one of the five candidates after a long
// exposure's switching sequence, or convert it (or the chosen candidate, or the sums)
// into the result image. The three state tests run in one call, so a state that turns
// to "download" within the call is converted at once.
//
// Not thread-safe: the camera's lock guards it. Buffers are allocated only by
// allocate(); the image only when its shape changes.

#include "server/camera/colour_image.h"
#include "server/camera/colour_settings.h"
#include "server/camera/frame_store.h"
#include "server/camera/sample_view.h"

#include <cstdint>

namespace velmora::server {

// The CameraStates values; CameraError is never set.
enum class CameraState : std::int32_t { Idle = 0, Waiting = 1, Exposing = 2, Reading = 3, Download = 4 };

class ExposureStateMachine {
public:
    static constexpr std::int32_t kLongExposureMs = 200; // longer than this needs the exposure port

    // Frame buffers for the capture size; false (no buffers) for an impossible size.
    bool allocate(int width, int height);

    CameraState state() const { return m_state; }
    bool imageReady() const { return m_imageReady; }
    std::int32_t exposureMs() const { return m_exposureMs; }
    const ColourImage& image() const { return m_image; }
    // Frames summed or collected in the current step.
    int framesTaken() const { return m_framesTaken; }

    // An exposure of at most 200 ms: 0 sums frames, more takes the next frame.
    void startShort(std::int32_t exposureMs);
    // A long exposure: its switching sequence is about to run.
    void startLong(std::int32_t exposureMs);
    // The switching sequence has ended: collect the next five frames.
    void sequenceEnded();
    // Back to idle without an image.
    void abort();
    // Cleared by every exposure request, whether or not it starts.
    void clearImageReady() { m_imageReady = false; }

    void processFrame(const FrameBytes& frame, const SubFrame& sub, const ColourSettings& colour,
                      int framesToSum);

private:
    void sumFrame(const FrameBytes& frame, int framesToSum);
    void collectFrame(const FrameBytes& frame);
    void convert(const FrameBytes& frame, const SubFrame& sub, const ColourSettings& colour);

    FrameStore m_store;
    ColourImage m_image;
    CameraState m_state = CameraState::Idle;
    bool m_imageReady = false;
    std::int32_t m_exposureMs = 0;
    int m_framesTaken = 0;
    int m_chosen = -1; // the candidate to convert, or -1 for the frame at hand
};

} // namespace velmora::server
