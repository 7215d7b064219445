#include "client/guiding/star_selector.h"

#include <algorithm>
#include <cmath>

namespace velmora::client {

namespace {

// Every plane is sampled on a sparse grid: enough for the order statistics of a
// background, cheap on any frame.
constexpr std::size_t kMaxSamples = 40000;

std::uint16_t planeThreshold(const ImageFrame& frame, int plane, std::vector<double>& values)
{
    const std::size_t count = static_cast<std::size_t>(frame.planeSize());
    const std::size_t step = std::max<std::size_t>(1, count / kMaxSamples);
    const std::uint16_t* samples = frame.plane(plane);
    values.clear();
    for (std::size_t i = 0; i < count; i += step)
        values.push_back(samples[i]);
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    const double median = *middle;
    for (double& v : values)
        v = std::abs(v - median);
    std::nth_element(values.begin(), middle, values.end());
    const double sigma = 1.4826 * *middle;
    return static_cast<std::uint16_t>(std::clamp(median + 3.0 * sigma, 0.0, 65535.0));
}

std::vector<double> weights(const ImageFrame& frame, const std::vector<std::uint16_t>& thresholds)
{
    std::vector<double> result(static_cast<std::size_t>(frame.planeSize()), 0.0);
    for (int p = 0; p < frame.planeCount() && p < static_cast<int>(thresholds.size()); ++p) {
        const std::uint16_t* samples = frame.plane(p);
        const double level = thresholds[static_cast<std::size_t>(p)];
        for (std::size_t i = 0; i < result.size(); ++i)
            result[i] += std::max(0.0, samples[i] - level);
    }
    return result;
}

// The 3 × 3 sum of weights without its largest one: a star spreads over its
// neighbours, a hot pixel alone scores nothing however bright it is.
double neighbourhoodScore(const std::vector<double>& weight, int width, int height, int x, int y)
{
    double sum = 0.0;
    double largest = 0.0;
    for (int dy = std::max(y - 1, 0); dy <= std::min(y + 1, height - 1); ++dy) {
        for (int dx = std::max(x - 1, 0); dx <= std::min(x + 1, width - 1); ++dx) {
            const double w = weight[static_cast<std::size_t>(dy) * static_cast<std::size_t>(width) +
                                    static_cast<std::size_t>(dx)];
            sum += w;
            largest = std::max(largest, w);
        }
    }
    return sum - largest;
}

} // namespace

std::vector<std::uint16_t> StarSelector::backgroundThresholds(const ImageFrame& frame)
{
    std::vector<std::uint16_t> thresholds;
    std::vector<double> values;
    for (int p = 0; p < frame.planeCount(); ++p)
        thresholds.push_back(frame.planeSize() > 0 ? planeThreshold(frame, p, values) : 0);
    return thresholds;
}

std::optional<StarPosition> StarSelector::brightestStar(const ImageFrame& frame,
                                                        const std::vector<std::uint16_t>& thresholds)
{
    const std::vector<double> weight = weights(frame, thresholds);
    const int width = frame.width();
    const int height = frame.height();
    double best = 0.0;
    std::optional<StarPosition> found;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double score = neighbourhoodScore(weight, width, height, x, y);
            if (score > best) {
                best = score;
                found = StarPosition{x, y};
            }
        }
    }
    return found;
}

bool StarSelector::placeSquare(MeasurementTool& tool, const ImageFrame& frame, std::optional<StarPosition> at)
{
    if (frame.isEmpty())
        return false;
    const std::vector<std::uint16_t>& stored = tool.settings().thresholds;
    if (std::all_of(stored.begin(), stored.end(), [](std::uint16_t t) { return t == 0; })) {
        const std::vector<std::uint16_t> levels = backgroundThresholds(frame);
        for (int p = 0; p < static_cast<int>(levels.size()); ++p) {
            tool.SelectThresholdPlane(p);
            tool.SetThreshold(levels[static_cast<std::size_t>(p)]);
        }
        tool.SelectThresholdPlane(0);
    }
    const std::optional<StarPosition> star = at ? at : brightestStar(frame, tool.settings().thresholds);
    if (!star)
        return false;
    tool.SetSquareCentre(star->x, star->y);
    return true;
}

} // namespace velmora::client
