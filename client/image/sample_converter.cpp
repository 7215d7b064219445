#include "client/image/sample_converter.h"

#include "client/image/full_scale_ratio.h"
#include "client/image/vector_clones.h"

#include <algorithm>

namespace velmora::client {

namespace {

std::int32_t fullScale(int bits)
{
    return (std::int32_t{1} << bits) - 1;
}

VELMORA_VECTOR_CLONES void convertByFactor(std::span<const std::int32_t> source, std::uint16_t* out,
                                           std::int32_t maxValue, std::int32_t factor)
{
    // maxValue · factor is exactly 65535, so clamping first also saturates.
    for (std::size_t i = 0; i < source.size(); ++i)
        out[i] = static_cast<std::uint16_t>(std::clamp(source[i], 0, maxValue) * factor);
}

VELMORA_VECTOR_CLONES void convertByRatio(std::span<const std::int32_t> source, std::uint16_t* out,
                                          std::int32_t maxValue)
{
    const FullScaleRatio scale(static_cast<std::uint32_t>(maxValue));
    for (std::size_t i = 0; i < source.size(); ++i)
        out[i] = scale(static_cast<std::uint16_t>(std::clamp(source[i], 0, maxValue)));
}

} // namespace

int clampCameraBits(int bits)
{
    return std::clamp(bits, kMinCameraBits, kMaxCameraBits);
}

bool ConvertCameraSamples(int bits, std::span<const std::int32_t> source, ImageFrame& frame)
{
    const auto count = static_cast<std::size_t>(frame.sampleCount());
    if (source.size() < count)
        return false;
    bits = clampCameraBits(bits);
    const std::int32_t maxValue = fullScale(bits);
    const auto samples = source.first(count);
    if (65535 % maxValue == 0) {
        convertByFactor(samples, frame.samples(), maxValue, 65535 / maxValue);
        return true;
    }
    convertByRatio(samples, frame.samples(), maxValue);
    return true;
}

} // namespace velmora::client
