#include "client/image/square_histogram.h"

#include <algorithm>

namespace velmora::client {

void SquareHistogram::resize(int planeCount)
{
    m_planeCount = std::max(planeCount, 0);
    m_squareArea = 0;
    m_counts.assign(static_cast<std::size_t>(m_planeCount) * kLevels, 0);
    m_reduced.assign(static_cast<std::size_t>(m_planeCount) * kReducedBins, 0);
    m_spans.assign(static_cast<std::size_t>(m_planeCount), Span{});
}

int SquareHistogram::count(const ImageFrame& frame, const PixelRect& square)
{
    if (frame.planeCount() != m_planeCount)
        resize(frame.planeCount());
    const PixelRect clip = square.clippedTo(frame.width(), frame.height());
    m_squareArea = static_cast<int>(clip.area());
    for (int p = 0; p < m_planeCount; ++p)
        countPlane(frame, clip, p);
    return m_squareArea;
}

void SquareHistogram::countPlane(const ImageFrame& frame, const PixelRect& clip, int plane)
{
    std::int32_t* counts = m_counts.data() + static_cast<std::size_t>(plane) * kLevels;
    std::int32_t* reduced = m_reduced.data() + static_cast<std::size_t>(plane) * kReducedBins;
    Span& span = m_spans[static_cast<std::size_t>(plane)];
    if (span.highest >= span.lowest)
        std::fill(counts + span.lowest, counts + span.highest + 1, 0);
    std::fill(reduced, reduced + kReducedBins, 0);
    span = Span{};
    for (int y = clip.top; y < clip.bottom; ++y) {
        const std::uint16_t* row = frame.row(plane, y);
        for (int x = clip.left; x < clip.right; ++x) {
            const int level = row[x];
            ++counts[level];
            ++reduced[reducedBin(level)];
            span.lowest = std::min(span.lowest, level);
            span.highest = std::max(span.highest, level);
        }
    }
}

std::span<const std::int32_t> SquareHistogram::counts(int plane) const
{
    if (plane < 0 || plane >= m_planeCount)
        return {};
    return {m_counts.data() + static_cast<std::size_t>(plane) * kLevels, kLevels};
}

std::span<const std::int32_t> SquareHistogram::reduced(int plane) const
{
    if (plane < 0 || plane >= m_planeCount)
        return {};
    return {m_reduced.data() + static_cast<std::size_t>(plane) * kReducedBins, kReducedBins};
}

std::int32_t SquareHistogram::largestReducedCount() const
{
    return m_reduced.empty() ? 0 : *std::max_element(m_reduced.begin(), m_reduced.end());
}

std::optional<LevelPair> SquareHistogram::autoLevels(int plane, int minPerMille, int maxPerMille) const
{
    const auto levels = counts(plane);
    if (levels.empty() || m_squareArea <= 0)
        return std::nullopt;
    // Below the lowest and above the highest level the running sums stay 0 and
    // cannot stop the scans, so they start there.
    const Span span = m_spans[static_cast<std::size_t>(plane)];
    LevelPair result;
    const std::int64_t minTarget = static_cast<std::int64_t>(m_squareArea) * minPerMille / 1000;
    std::int64_t sum = 0;
    for (int v = span.lowest; v <= span.highest; ++v) {
        sum += levels[static_cast<std::size_t>(v)];
        if (sum >= minTarget && sum > 0) {
            result.black = static_cast<std::uint16_t>(v);
            break;
        }
    }
    const std::int64_t maxTarget = static_cast<std::int64_t>(m_squareArea) * maxPerMille / 1000;
    sum = 0;
    for (int v = span.highest; v >= span.lowest; --v) {
        sum += levels[static_cast<std::size_t>(v)];
        if (sum >= maxTarget && sum > 0) {
            result.white = static_cast<std::uint16_t>(v);
            break;
        }
    }
    return result;
}

} // namespace velmora::client
