#include "client/devices/camera_frame.h"

#include <climits>
#include <cstring>

namespace velmora::client {

namespace {

std::optional<int> extent(SAFEARRAY* array, UINT dimension)
{
    LONG lower = 0;
    LONG upper = 0;
    if (FAILED(SafeArrayGetLBound(array, dimension, &lower)) ||
        FAILED(SafeArrayGetUBound(array, dimension, &upper)))
        return std::nullopt;
    const long long count = static_cast<long long>(upper) - lower + 1;
    if (count <= 0 || count > INT_MAX)
        return std::nullopt;
    return static_cast<int>(count);
}

std::optional<FrameGeometry> arrayGeometry(SAFEARRAY* array)
{
    VARTYPE type = VT_EMPTY;
    if (FAILED(SafeArrayGetVartype(array, &type)) || type != VT_I4 || SafeArrayGetElemsize(array) != 4)
        return std::nullopt;
    const UINT dimensions = SafeArrayGetDim(array);
    if (dimensions != 2 && dimensions != 3)
        return std::nullopt;
    const std::optional<int> width = extent(array, 1);
    const std::optional<int> height = extent(array, 2);
    const std::optional<int> planes = dimensions == 3 ? extent(array, 3) : std::optional<int>(1);
    if (!width || !height || !planes)
        return std::nullopt;
    return FrameGeometry{*width, *height, *planes};
}

} // namespace

FrameGeometry copyDataGeometry(WPARAM word)
{
    const auto bits = static_cast<std::uint32_t>(word);
    return {static_cast<int>(bits >> 17), static_cast<int>((bits >> 2) & 0x7FFF), static_cast<int>(bits & 3)};
}

WPARAM packCopyDataGeometry(const FrameGeometry& geometry)
{
    const auto width = static_cast<std::uint32_t>(geometry.width) & 0x7FFF;
    const auto height = static_cast<std::uint32_t>(geometry.height) & 0x7FFF;
    const auto planes = static_cast<std::uint32_t>(geometry.planeCount) & 3;
    return (width << 17) | (height << 2) | planes;
}

std::span<const std::int32_t> copyDataSamples(const COPYDATASTRUCT* data, std::vector<std::int32_t>& scratch)
{
    if (data == nullptr || data->lpData == nullptr)
        return {};
    const std::size_t count = data->cbData / sizeof(std::int32_t);
    if (reinterpret_cast<std::uintptr_t>(data->lpData) % alignof(std::int32_t) == 0)
        return {static_cast<const std::int32_t*>(data->lpData), count};
    scratch.resize(count);
    std::memcpy(scratch.data(), data->lpData, count * sizeof(std::int32_t));
    return scratch;
}

ImageArrayReader::ImageArrayReader(const VARIANT& value)
{
    if ((value.vt & VT_ARRAY) == 0 || (value.vt & VT_BYREF) != 0 || value.parray == nullptr)
        return;
    m_geometry = arrayGeometry(value.parray);
    if (!m_geometry)
        return;
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(value.parray, &data)) || data == nullptr) {
        m_geometry.reset();
        return;
    }
    m_array = value.parray;
    m_samples = {static_cast<const std::int32_t*>(data), automation::safeArrayElementCount(value.parray)};
}

ImageArrayReader::~ImageArrayReader()
{
    if (m_array != nullptr)
        SafeArrayUnaccessData(m_array);
}

} // namespace velmora::client
