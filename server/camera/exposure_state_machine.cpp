#include "server/camera/exposure_state_machine.h"

#include "server/camera/colour_converter.h"

namespace velmora::server {

bool ExposureStateMachine::allocate(int width, int height)
{
    m_framesTaken = 0;
    m_chosen = -1;
    return m_store.allocate(width, height);
}

void ExposureStateMachine::startShort(std::int32_t exposureMs)
{
    m_imageReady = false;
    m_exposureMs = exposureMs;
    m_chosen = -1;
    if (exposureMs == 0) {
        m_framesTaken = 0;
        m_store.clearSums();
        m_state = CameraState::Reading;
    } else {
        m_state = CameraState::Download;
    }
}

void ExposureStateMachine::startLong(std::int32_t exposureMs)
{
    m_imageReady = false;
    m_exposureMs = exposureMs;
    m_framesTaken = 0;
    m_chosen = -1;
    m_state = CameraState::Exposing;
}

void ExposureStateMachine::sequenceEnded()
{
    m_framesTaken = 0;
    m_state = CameraState::Waiting;
}

void ExposureStateMachine::abort()
{
    m_state = CameraState::Idle;
    m_imageReady = false;
}

void ExposureStateMachine::processFrame(const FrameBytes& frame, const SubFrame& sub,
                                        const ColourSettings& colour, int framesToSum)
{
    if (m_state == CameraState::Reading)
        sumFrame(frame, framesToSum);
    if (m_state == CameraState::Waiting)
        collectFrame(frame);
    if (m_state == CameraState::Download)
        convert(frame, sub, colour);
}

void ExposureStateMachine::sumFrame(const FrameBytes& frame, int framesToSum)
{
    // A frame of another size than the buffers is not part of this exposure.
    if (!m_store.addFrame(frame))
        return;
    m_framesTaken = m_store.framesSummed();
    if (m_framesTaken >= framesToSum)
        m_state = CameraState::Download;
}

void ExposureStateMachine::collectFrame(const FrameBytes& frame)
{
    if (m_framesTaken < FrameStore::kCandidates) {
        if (m_store.storeCandidate(m_framesTaken, frame))
            ++m_framesTaken;
        return;
    }
    // The sixth frame only triggers the choice; the brightest earlier one is converted.
    m_chosen = m_store.brightestCandidate(FrameStore::kCandidates);
    m_state = CameraState::Download;
}

void ExposureStateMachine::convert(const FrameBytes& frame, const SubFrame& sub, const ColourSettings& colour)
{
    bool converted = false;
    if (m_exposureMs <= 0)
        converted = ColourConverter::convert(m_store.sums(), m_store.maxSum(), sub, colour, m_image);
    else if (m_chosen >= 0)
        converted = ColourConverter::convert(m_store.candidate(m_chosen), sub, colour, m_image);
    else
        converted = ColourConverter::convert(frame, sub, colour, m_image);
    m_chosen = -1;
    // A sub-frame that does not fit cannot become fit by waiting: the exposure ends
    // without an image rather than staying pending for ever.
    m_state = CameraState::Idle;
    m_imageReady = converted;
}

} // namespace velmora::server
