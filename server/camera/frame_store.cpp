#include "server/camera/frame_store.h"

#include "server/camera/colour_row_kernels.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace velmora::server {

bool FrameStore::allocate(int width, int height)
{
    m_width = m_height = 0;
    m_frameBytes = 0;
    m_framesSummed = 0;
    m_sums.clear();
    m_candidates.clear();
    if (width <= 0 || height <= 0 || width > kMaxDimension || height > kMaxDimension ||
        std::int64_t{width} * height > kMaxPixels)
        return false;
    const std::size_t bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3;
    try {
        m_sums.assign(bytes, 0);
        m_candidates.assign(bytes * kCandidates, 0);
    } catch (const std::bad_alloc&) {
        m_sums = {};
        m_candidates = {};
        return false;
    }
    m_width = width;
    m_height = height;
    m_frameBytes = bytes;
    return true;
}

bool FrameStore::matches(const FrameBytes& frame) const
{
    return m_frameBytes && frame.valid() && frame.width == m_width && frame.height == m_height;
}

void FrameStore::clearSums()
{
    std::fill(m_sums.begin(), m_sums.end(), 0);
    m_framesSummed = 0;
}

bool FrameStore::addFrame(const FrameBytes& frame)
{
    if (!matches(frame) || m_framesSummed >= kMaxFramesSummed)
        return false;
    const std::size_t rowBytes = static_cast<std::size_t>(m_width) * 3;
    const ColourRowKernels* kernels = ColourRowKernels::forThisProcessor();
    for (int y = 0; y < m_height; ++y) {
        const std::uint8_t* in = frame.row(y);
        std::int32_t* sum = m_sums.data() + rowBytes * static_cast<std::size_t>(y);
        for (std::size_t i = kernels ? kernels->accumulate(in, sum, rowBytes) : 0; i < rowBytes; ++i)
            sum[i] += in[i];
    }
    ++m_framesSummed;
    return true;
}

FrameSums FrameStore::sums() const
{
    return {m_sums.data(), m_width, m_height, std::ptrdiff_t{m_width} * 3};
}

bool FrameStore::storeCandidate(int index, const FrameBytes& frame)
{
    if (index < 0 || index >= kCandidates || !matches(frame))
        return false;
    const std::size_t rowBytes = static_cast<std::size_t>(m_width) * 3;
    std::uint8_t* out = m_candidates.data() + m_frameBytes * static_cast<std::size_t>(index);
    for (int y = 0; y < m_height; ++y)
        std::memcpy(out + rowBytes * static_cast<std::size_t>(y), frame.row(y), rowBytes);
    return true;
}

FrameBytes FrameStore::candidate(int index) const
{
    if (index < 0 || index >= kCandidates || !m_frameBytes)
        return {};
    return {m_candidates.data() + m_frameBytes * static_cast<std::size_t>(index), m_width, m_height,
            std::ptrdiff_t{m_width} * 3};
}

std::uint64_t FrameStore::score(int index) const
{
    const FrameBytes frame = candidate(index);
    if (!frame.data)
        return 0;
    std::uint64_t sum = 1;
    const ColourRowKernels* kernels = ColourRowKernels::forThisProcessor();
    for (std::size_t i = kernels ? kernels->byteSum(frame.data, m_frameBytes, sum) : 0; i < m_frameBytes; ++i)
        sum += frame.data[i];
    return sum;
}

int FrameStore::brightestCandidate(int count) const
{
    int best = 0;
    std::uint64_t bestScore = 0;
    for (int i = 0; i < std::min(count, kCandidates); ++i) {
        const std::uint64_t s = score(i);
        if (s > bestScore) {
            bestScore = s;
            best = i;
        }
    }
    return best;
}

} // namespace velmora::server
