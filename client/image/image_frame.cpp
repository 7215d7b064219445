#include "client/image/image_frame.h"

#include <cstring>
#include <utility>

namespace velmora::client {

template <typename Sample> BasicImageFrame<Sample>::BasicImageFrame(BasicImageFrame&& other) noexcept
{
    *this = std::move(other);
}

template <typename Sample>
BasicImageFrame<Sample>& BasicImageFrame<Sample>::operator=(BasicImageFrame&& other) noexcept
{
    if (this != &other) {
        // The tables point into the heap block, which moves with the unique_ptr.
        m_width = other.m_width;
        m_height = other.m_height;
        m_planeCount = other.m_planeCount;
        m_planeSize = other.m_planeSize;
        m_sampleCount = other.m_sampleCount;
        m_byteSize = other.m_byteSize;
        m_rowTable = std::move(other.m_rowTable);
        m_planeTable = std::move(other.m_planeTable);
        m_samples = std::move(other.m_samples);
        other.Release();
    }
    return *this;
}

template <typename Sample>
bool BasicImageFrame<Sample>::validDimensions(int width, int planeCount, int height)
{
    if (width < 0 || planeCount < 0 || height < 0)
        return false;
    // Step by step, so that no product of three large dimensions can overflow.
    const std::int64_t area = static_cast<std::int64_t>(width) * height; // < 2^62
    return planeCount == 0 || area <= kMaxSampleCount / planeCount;
}

template <typename Sample> bool BasicImageFrame<Sample>::Allocate(int width, int planeCount, int height)
{
    if (sameDimensions(width, planeCount, height))
        return true;
    Release();
    if (!validDimensions(width, planeCount, height))
        return false;
    const std::int64_t count = static_cast<std::int64_t>(width) * height * planeCount;
    if (count == 0)
        return true;
    m_width = width;
    m_height = height;
    m_planeCount = planeCount;
    m_planeSize = width * height;
    m_sampleCount = static_cast<int>(count);
    m_byteSize = m_sampleCount * static_cast<int>(sizeof(Sample));
    m_samples = std::make_unique<Sample[]>(static_cast<std::size_t>(count)); // zero-filled
    m_planeTable.resize(static_cast<std::size_t>(planeCount));
    m_rowTable.resize(static_cast<std::size_t>(planeCount) * static_cast<std::size_t>(height));
    for (int p = 0; p < planeCount; ++p) {
        m_planeTable[static_cast<std::size_t>(p)] =
            m_samples.get() + static_cast<std::size_t>(p) * m_planeSize;
        for (int y = 0; y < height; ++y)
            m_rowTable[static_cast<std::size_t>(p * height + y)] =
                m_samples.get() +
                (static_cast<std::size_t>(y) + static_cast<std::size_t>(p) * height) * width;
    }
    return true;
}

template <typename Sample> void BasicImageFrame<Sample>::Release()
{
    m_rowTable.clear();
    m_rowTable.shrink_to_fit();
    m_planeTable.clear();
    m_planeTable.shrink_to_fit();
    m_samples.reset();
    clearCounts();
}

template <typename Sample> void BasicImageFrame<Sample>::clearCounts()
{
    m_width = m_height = m_planeCount = 0;
    m_planeSize = m_sampleCount = m_byteSize = 0;
}

template class BasicImageFrame<std::uint16_t>;
template class BasicImageFrame<std::uint32_t>;

bool Copy(const ImageFrame& source, ImageFrame& target)
{
    if (!target.sameDimensions(source))
        return false;
    if (source.byteSize() > 0)
        std::memcpy(target.samples(), source.samples(), static_cast<std::size_t>(source.byteSize()));
    return true;
}

} // namespace velmora::client
