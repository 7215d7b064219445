#include "platform/automation/wire_reader.h"

#include <cstring>

namespace velmora::automation::wire {

bool WireReader::get(void* out, std::size_t size)
{
    if (m_failed || m_body.size() - m_pos < size) {
        m_failed = true;
        return false;
    }
    std::memcpy(out, m_body.data() + m_pos, size);
    m_pos += size;
    return true;
}

bool WireReader::bytes(std::size_t size, const std::uint8_t*& data)
{
    if (m_failed || m_body.size() - m_pos < size) {
        m_failed = true;
        return false;
    }
    data = m_body.data() + m_pos;
    m_pos += size;
    return true;
}

bool WireReader::charge(std::size_t bytes)
{
    if (m_failed || bytes > m_budget) {
        m_failed = true;
        return false;
    }
    m_budget -= bytes;
    return true;
}

bool WireReader::string(UniqueBstr& out)
{
    std::uint32_t length = 0;
    if (!u32(length))
        return false;
    if (length == kNullString) {
        out.reset();
        return true;
    }
    // The allocator's own share of a string: its length prefix, terminator and header.
    constexpr std::size_t kStringOverhead = 32;
    const std::uint8_t* data = nullptr;
    if (length > remaining() / sizeof(OLECHAR) || !bytes(std::size_t(length) * sizeof(OLECHAR), data) ||
        !charge(std::size_t(length) * sizeof(OLECHAR) + kStringOverhead)) {
        m_failed = true;
        return false;
    }
    BSTR text = SysAllocStringLen(nullptr, length);
    if (!text) {
        m_failed = true;
        return false;
    }
    std::memcpy(text, data, std::size_t(length) * sizeof(OLECHAR));
    out.reset(text);
    return true;
}

bool WireReader::bulkRef(BulkRef& ref)
{
    std::uint8_t isNew = 0;
    if (!u32(ref.buffer) || !u8(isNew) || !u64(ref.capacity) || !u64(ref.offset) || !u64(ref.size) ||
        isNew > 1) {
        m_failed = true;
        return false;
    }
    ref.isNew = isNew == 1;
    return true;
}

} // namespace velmora::automation::wire
