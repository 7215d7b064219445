#pragma once
// Histogram buffers of one image window, shared by its tool dialogs: per plane the
// full 65536-level counts of the measurement square and their reduction to 53 bins.

#include "client/image/image_frame.h"
#include "client/image/pixel_rect.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace velmora::client {

struct LevelPair {
    std::uint16_t black = 0;
    std::uint16_t white = 65535;

    friend bool operator==(const LevelPair&, const LevelPair&) = default;
};

class SquareHistogram {
public:
    static constexpr int kLevels = 65536;
    static constexpr int kReducedBins = 53;

    explicit SquareHistogram(int planeCount = 0) { resize(planeCount); }
    void resize(int planeCount);
    int planeCount() const { return m_planeCount; }

    // Counts every plane of frame inside the square clipped to the frame, and the
    // reduced bins (level v in bin 53·v / 65536). Returns and keeps squareArea.
    int count(const ImageFrame& frame, const PixelRect& square);
    int squareArea() const { return m_squareArea; }

    std::span<const std::int32_t> counts(int plane) const;
    std::span<const std::int32_t> reduced(int plane) const;
    // The largest reduced count over all planes (the graph's common scale).
    std::int32_t largestReducedCount() const;

    // Levels that clip minPerMille of the square's pixels to black and maxPerMille to
    // white. With nothing counted there are no levels (nullopt).
    std::optional<LevelPair> autoLevels(int plane, int minPerMille, int maxPerMille) const;

    static int reducedBin(int level) { return (kReducedBins * level) >> 16; }

private:
    // The darkest and brightest level of a plane's last count: every count outside
    // them is 0, so clearing and scanning can stay between them.
    struct Span {
        int lowest = kLevels;
        int highest = -1;
    };
    void countPlane(const ImageFrame& frame, const PixelRect& clip, int plane);

    int m_planeCount = 0;
    int m_squareArea = 0;
    std::vector<std::int32_t> m_counts;  // planeCount × 65536
    std::vector<std::int32_t> m_reduced; // planeCount × 53
    std::vector<Span> m_spans;
};

} // namespace velmora::client
