#pragma once
// The camera's frame buffers, sized for the capture format: the accumulator that sums
// frames for a zero-length exposure (one 32-bit sum per frame byte) and the five
// candidate frames of a long exposure, from which the brightest is converted.
// Frames are stored tightly packed (row stride = width x 3) whatever the stride of the
// frame they came from. Allocation happens only in allocate(), never per frame.

#include "server/camera/sample_view.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmora::server {

class FrameStore {
public:
    static constexpr int kCandidates = 5;
    // The image width and height travel in 15 bits each.
    static constexpr int kMaxDimension = 32767;
    static constexpr std::int64_t kMaxPixels = 64LL * 1024 * 1024;
    // More frames than this could overflow a 32-bit sum.
    static constexpr int kMaxFramesSummed = 0x7FFFFFFF / 255;

    // Buffers for frames of width x height; false (and no buffers) for a size that is
    // not positive, too large, or cannot be allocated.
    bool allocate(int width, int height);
    int width() const { return m_width; }
    int height() const { return m_height; }
    std::size_t frameBytes() const { return m_frameBytes; }

    // Summing: zero the sums, then add frames one by one.
    void clearSums();
    // Adds every byte of `frame` to its sum. False, and nothing added, when the frame's
    // size differs from the allocated one or kMaxFramesSummed frames are already summed.
    bool addFrame(const FrameBytes& frame);
    int framesSummed() const { return m_framesSummed; }
    FrameSums sums() const;
    // The largest value any sum can hold: 255 x frames summed.
    std::int64_t maxSum() const { return 255LL * m_framesSummed; }

    // Copies `frame` into candidate `index` (0..4); false for a wrong index or size.
    bool storeCandidate(int index, const FrameBytes& frame);
    FrameBytes candidate(int index) const;
    // 1 + the sum of all bytes of the candidate.
    std::uint64_t score(int index) const;
    // The candidate with the highest score among the first `count`; the first of equal
    // scores wins (a later one replaces it only when strictly greater).
    int brightestCandidate(int count = kCandidates) const;

private:
    bool matches(const FrameBytes& frame) const;

    int m_width = 0;
    int m_height = 0;
    std::size_t m_frameBytes = 0;
    int m_framesSummed = 0;
    std::vector<std::int32_t> m_sums;
    std::vector<std::uint8_t> m_candidates;
};

} // namespace velmora::server
