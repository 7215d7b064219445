#pragma once
// Variants and blobs on the wire (layout in wire_protocol.h).

#include "platform/automation/wire_reader.h"
#include "platform/automation/wire_writer.h"

namespace velmora::automation::wire {

// Arrays of fixed-size elements from this size up are offered to placeBulk.
constexpr std::size_t kBulkThreshold = 64 * 1024;

// Writes v; a by-reference variant goes as the value it points at. Fails for types
// that cannot travel (VT_UNKNOWN, objects the hooks refuse).
HRESULT encodeVariant(WireWriter& writer, const VARIANT& v, EncodeHooks& hooks);
// Reads into an empty `out`; false on malformed input, with `out` left empty.
bool decodeVariant(WireReader& reader, VARIANT& out, DecodeHooks& hooks);

struct Blob {
    const void* data = nullptr;
    std::size_t size = 0;
    std::shared_ptr<void> owner; // keeps data valid
};
void encodeBlob(WireWriter& writer, const void* data, std::size_t size, EncodeHooks& hooks);
bool decodeBlob(WireReader& reader, Blob& blob, DecodeHooks& hooks);

} // namespace velmora::automation::wire
