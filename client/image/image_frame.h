#pragma once
// The frame record: planes of unsigned samples in one block, plane after plane and
// row after row, with row and plane tables so rectangle code indexes rows directly.
// ImageFrame holds 16-bit samples (65535 is full scale); AccumulatorFrame holds the
// 32-bit sums used while a calibration frame is averaged.

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace velmora::client {

template <typename Sample> class BasicImageFrame {
public:
    using SampleType = Sample;

    BasicImageFrame() = default;
    BasicImageFrame(const BasicImageFrame&) = delete;
    BasicImageFrame& operator=(const BasicImageFrame&) = delete;
    BasicImageFrame(BasicImageFrame&& other) noexcept;
    BasicImageFrame& operator=(BasicImageFrame&& other) noexcept;
    ~BasicImageFrame() = default;

    // Keeps the samples when all three dimensions are unchanged; otherwise replaces the
    // storage with a zero-filled block. Dimensions that are negative or whose byte size
    // does not fit the 32-bit counts are refused: the frame is then left empty and
    // false is returned. Any zero dimension gives an empty frame.
    bool Allocate(int width, int planeCount, int height);
    void Release();

    // Largest sample count any frame accepts: the byte size of an accumulator frame
    // must still fit the signed 32-bit count.
    static constexpr std::int64_t kMaxSampleCount = INT32_MAX / 4;
    static bool validDimensions(int width, int planeCount, int height);

    bool isEmpty() const { return m_sampleCount == 0; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    int planeCount() const { return m_planeCount; }
    int planeSize() const { return m_planeSize; }
    int sampleCount() const { return m_sampleCount; }
    int byteSize() const { return m_byteSize; }
    bool sameDimensions(int width, int planeCount, int height) const
    {
        return width == m_width && planeCount == m_planeCount && height == m_height;
    }
    template <typename Other> bool sameDimensions(const BasicImageFrame<Other>& other) const
    {
        return sameDimensions(other.width(), other.planeCount(), other.height());
    }

    Sample* samples() { return m_samples.get(); }
    const Sample* samples() const { return m_samples.get(); }
    std::span<Sample> sampleSpan() { return {m_samples.get(), static_cast<std::size_t>(m_sampleCount)}; }
    std::span<const Sample> sampleSpan() const
    {
        return {m_samples.get(), static_cast<std::size_t>(m_sampleCount)};
    }
    Sample* plane(int p) { return m_planeTable[static_cast<std::size_t>(p)]; }
    const Sample* plane(int p) const { return m_planeTable[static_cast<std::size_t>(p)]; }
    Sample* row(int p, int y) { return m_rowTable[static_cast<std::size_t>(p * m_height + y)]; }
    const Sample* row(int p, int y) const { return m_rowTable[static_cast<std::size_t>(p * m_height + y)]; }
    Sample& at(int p, int x, int y) { return row(p, y)[x]; }
    Sample at(int p, int x, int y) const { return row(p, y)[x]; }

private:
    void clearCounts();

    int m_width = 0;
    int m_height = 0;
    int m_planeCount = 0;
    int m_planeSize = 0;
    int m_sampleCount = 0;
    int m_byteSize = 0;
    std::vector<Sample*> m_rowTable;   // planeCount × height entries, plane-major
    std::vector<Sample*> m_planeTable; // planeCount entries
    std::unique_ptr<Sample[]> m_samples;
};

using ImageFrame = BasicImageFrame<std::uint16_t>;
using AccumulatorFrame = BasicImageFrame<std::uint32_t>;

extern template class BasicImageFrame<std::uint16_t>;
extern template class BasicImageFrame<std::uint32_t>;

// raw → working: a byte copy of byteSize bytes. Frames of different dimensions are
// not copied (false), so a stale working frame can never be overrun.
bool Copy(const ImageFrame& source, ImageFrame& target);

} // namespace velmora::client
