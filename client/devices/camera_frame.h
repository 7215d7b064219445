#pragma once
// How a camera frame describes itself on its two roads: the ImageArray property (an
// automation array whose extents are width, height and, for colour, planes) and the
// WM_COPYDATA message (geometry packed into the word parameter, samples in the block).

#include "platform/automation/hresult.h"
#include "platform/automation/safe_array.h"
#include "platform/automation/variant.h"
#include "platform/automation/window_messages.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace velmora::client {

struct FrameGeometry {
    int width = 0;
    int height = 0;
    int planeCount = 0;

    friend bool operator==(const FrameGeometry&, const FrameGeometry&) = default;
};

// width << 17 | height << 2 | planes: width bits 17–31, height bits 2–16, planes bits 0–1.
FrameGeometry copyDataGeometry(WPARAM word);
// The word a driver sends for a geometry (values outside their bit fields are cut).
WPARAM packCopyDataGeometry(const FrameGeometry& geometry);

// The samples of a WM_COPYDATA block: whole 32-bit values only, never beyond cbData.
// A block that is not 4-byte aligned is copied into `scratch` first.
std::span<const std::int32_t> copyDataSamples(const COPYDATASTRUCT* data, std::vector<std::int32_t>& scratch);

// Holds an ImageArray's data for reading. Only an array of 32-bit integers with two
// (one plane) or three dimensions is a frame; anything else gives no geometry, so a
// driver's other element type is never read as something it is not.
class ImageArrayReader {
public:
    explicit ImageArrayReader(const VARIANT& value);
    ~ImageArrayReader();
    ImageArrayReader(const ImageArrayReader&) = delete;
    ImageArrayReader& operator=(const ImageArrayReader&) = delete;

    const std::optional<FrameGeometry>& geometry() const { return m_geometry; }
    // Every element of the array in storage order (x fastest, then y, then plane).
    std::span<const std::int32_t> samples() const { return m_samples; }

private:
    SAFEARRAY* m_array = nullptr;
    std::optional<FrameGeometry> m_geometry;
    std::span<const std::int32_t> m_samples;
};

} // namespace velmora::client
