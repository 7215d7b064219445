#include "platform/video/v4l2_format_choice.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <numeric>

namespace velmora::platform::v4l2 {

namespace {

constexpr std::uint64_t kUnitsPerSecond = 10'000'000;

// `value` clamped into [min, max] and moved onto the nearest min + k x step (the lower
// of two equally near, and never beyond max).
std::int64_t snap(std::int64_t value, std::int64_t min, std::int64_t max, std::int64_t step)
{
    if (max < min)
        std::swap(min, max);
    value = std::clamp(value, min, max);
    if (step > 1) {
        const std::int64_t k = (value - min + (step - 1) / 2) / step;
        value = std::min(min + k * step, min + (max - min) / step * step);
    }
    return value;
}

std::uint64_t periodOf64(const v4l2_fract& f)
{
    return f.denominator ? std::uint64_t{f.numerator} * kUnitsPerSecond / f.denominator : 0;
}

double seconds(const v4l2_fract& f)
{
    return f.denominator ? static_cast<double>(f.numerator) / f.denominator : 0.0;
}

// The interval of a range nearest to `period`, as the exact fraction min + k x step
// where it fits 32 bits.
v4l2_fract snapInterval(const v4l2_frmivalenum& range, std::uint32_t period)
{
    const v4l2_frmival_stepwise& r = range.stepwise;
    if (period <= periodOf64(r.min))
        return r.min;
    if (period >= periodOf64(r.max))
        return r.max;
    const double step = seconds(r.step);
    if (range.type == V4L2_FRMIVAL_TYPE_CONTINUOUS || step <= 0.0)
        return intervalOf(period);
    const double wanted = static_cast<double>(period) / kUnitsPerSecond;
    const auto k = static_cast<std::uint64_t>(std::llround((wanted - seconds(r.min)) / step));
    std::uint64_t numerator =
        std::uint64_t{r.min.numerator} * r.step.denominator + k * r.step.numerator * r.min.denominator;
    std::uint64_t denominator = std::uint64_t{r.min.denominator} * r.step.denominator;
    const std::uint64_t divisor = std::gcd(numerator, denominator);
    numerator /= divisor;
    denominator /= divisor;
    if (numerator > 0xFFFFFFFF || denominator > 0xFFFFFFFF)
        return intervalOf(period);
    return {static_cast<std::uint32_t>(numerator), static_cast<std::uint32_t>(denominator)};
}

} // namespace

std::optional<FrameSize> closestFrameSize(const std::vector<v4l2_frmsizeenum>& offered, int width, int height)
{
    std::optional<FrameSize> best;
    std::int64_t bestDistance = std::numeric_limits<std::int64_t>::max();
    for (const v4l2_frmsizeenum& e : offered) {
        FrameSize candidate;
        if (e.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
            candidate = {static_cast<int>(e.discrete.width), static_cast<int>(e.discrete.height)};
        } else {
            const v4l2_frmsize_stepwise& r = e.stepwise;
            candidate = {static_cast<int>(snap(width, r.min_width, r.max_width, r.step_width)),
                         static_cast<int>(snap(height, r.min_height, r.max_height, r.step_height))};
        }
        if (candidate.width <= 0 || candidate.height <= 0)
            continue;
        const std::int64_t distance = std::llabs(std::int64_t{candidate.width} - width) +
                                      std::llabs(std::int64_t{candidate.height} - height);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = candidate;
        }
    }
    return best;
}

std::optional<v4l2_fract> closestFrameInterval(const std::vector<v4l2_frmivalenum>& offered,
                                               std::uint32_t period)
{
    std::optional<v4l2_fract> best;
    std::uint64_t bestDistance = std::numeric_limits<std::uint64_t>::max();
    for (const v4l2_frmivalenum& e : offered) {
        const v4l2_fract candidate =
            e.type == V4L2_FRMIVAL_TYPE_DISCRETE ? e.discrete : snapInterval(e, period);
        const std::uint64_t candidatePeriod = periodOf64(candidate);
        if (candidatePeriod == 0)
            continue;
        const std::uint64_t distance =
            candidatePeriod > period ? candidatePeriod - period : period - candidatePeriod;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = candidate;
        }
    }
    return best;
}

std::uint32_t periodOf(const v4l2_fract& interval)
{
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(periodOf64(interval), 0xFFFFFFFF));
}

v4l2_fract intervalOf(std::uint32_t period)
{
    const std::uint64_t divisor = std::gcd(std::uint64_t{period}, kUnitsPerSecond);
    if (divisor == 0)
        return {0, 1};
    return {static_cast<std::uint32_t>(period / divisor),
            static_cast<std::uint32_t>(kUnitsPerSecond / divisor)};
}

std::vector<FrameSize> listedSizes(const std::vector<v4l2_frmsizeenum>& offered)
{
    static constexpr FrameSize kUsual[] = {{160, 120},  {320, 240},  {352, 288},  {640, 480},   {800, 600},
                                           {1024, 768}, {1280, 720}, {1280, 960}, {1600, 1200}, {1920, 1080}};
    std::vector<FrameSize> sizes;
    auto add = [&sizes](FrameSize s) {
        if (s.width > 0 && s.height > 0 && std::find(sizes.begin(), sizes.end(), s) == sizes.end())
            sizes.push_back(s);
    };
    for (const v4l2_frmsizeenum& e : offered) {
        if (e.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
            add({static_cast<int>(e.discrete.width), static_cast<int>(e.discrete.height)});
            continue;
        }
        const v4l2_frmsize_stepwise& r = e.stepwise;
        add({static_cast<int>(r.min_width), static_cast<int>(r.min_height)});
        for (FrameSize usual : kUsual) {
            const FrameSize made{
                static_cast<int>(snap(usual.width, r.min_width, r.max_width, r.step_width)),
                static_cast<int>(snap(usual.height, r.min_height, r.max_height, r.step_height))};
            if (made == usual)
                add(usual);
        }
        add({static_cast<int>(r.max_width), static_cast<int>(r.max_height)});
    }
    return sizes;
}

std::vector<std::uint32_t> listedPeriods(const std::vector<v4l2_frmivalenum>& offered)
{
    std::vector<std::uint32_t> periods;
    auto add = [&periods](std::uint32_t p) {
        if (p && std::find(periods.begin(), periods.end(), p) == periods.end())
            periods.push_back(p);
    };
    for (const v4l2_frmivalenum& e : offered) {
        if (e.type == V4L2_FRMIVAL_TYPE_DISCRETE) {
            add(periodOf(e.discrete));
        } else {
            add(periodOf(e.stepwise.min));
            add(periodOf(e.stepwise.max));
        }
    }
    return periods;
}

std::size_t strideOf(const v4l2_pix_format& format)
{
    return std::max<std::size_t>(format.bytesperline, std::size_t{format.width} * 3);
}

} // namespace velmora::platform::v4l2
