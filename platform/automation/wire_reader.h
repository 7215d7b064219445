#pragma once
// Reads the fields of one received message body; every read is bounds-checked and
// a failed read leaves the reader failed.

#include "platform/automation/wire_protocol.h"

#include <span>

namespace velmora::automation::wire {

class WireReader {
public:
    explicit WireReader(std::span<const std::uint8_t> body, std::size_t decodeBudget = kMaxDecodedBytes)
        : m_body(body), m_budget(decodeBudget)
    {
    }

    bool u8(std::uint8_t& v) { return get(&v, 1); }
    bool u16(std::uint16_t& v) { return get(&v, 2); }
    bool u32(std::uint32_t& v) { return get(&v, 4); }
    bool i32(std::int32_t& v) { return get(&v, 4); }
    bool u64(std::uint64_t& v) { return get(&v, 8); }
    bool i64(std::int64_t& v) { return get(&v, 8); }
    bool guid(GUID& g) { return get(&g, sizeof g); }
    // A view of the next `size` bytes.
    bool bytes(std::size_t size, const std::uint8_t*& data);
    // A new BSTR (null for a null string), charged to the decode budget.
    bool string(UniqueBstr& out);
    bool bulkRef(BulkRef& ref);

    std::size_t remaining() const { return m_failed ? 0 : m_body.size() - m_pos; }
    // True when everything was read and nothing is left over.
    bool complete() const { return !m_failed && m_pos == m_body.size(); }
    // Takes `bytes` of memory the message's values are about to need from the decode
    // budget; false (and the reader failed) when they would exceed it.
    bool charge(std::size_t bytes);

private:
    bool get(void* out, std::size_t size);
    std::span<const std::uint8_t> m_body;
    std::size_t m_pos = 0;
    std::size_t m_budget;
    bool m_failed = false;
};

} // namespace velmora::automation::wire
