#pragma once
// Builds one message: header first, then the fields in order.

#include "platform/automation/wire_protocol.h"

#include <string_view>
#include <vector>

namespace velmora::automation::wire {

class WireWriter {
public:
    explicit WireWriter(Tag tag);

    void u8(std::uint8_t v) { put(&v, 1); }
    void u16(std::uint16_t v) { put(&v, 2); }
    void u32(std::uint32_t v) { put(&v, 4); }
    void i32(std::int32_t v) { put(&v, 4); }
    void u64(std::uint64_t v) { put(&v, 8); }
    void i64(std::int64_t v) { put(&v, 8); }
    void guid(const GUID& g) { put(&g, sizeof g); }
    void bytes(const void* data, std::size_t size) { put(data, size); }
    // A possibly null automation string.
    void string(const OLECHAR* text, std::size_t length, bool isNull);
    void string(BSTR text) { string(text, SysStringLen(text), text == nullptr); }
    void string(std::u16string_view text) { string(text.data(), text.size(), false); }
    void bulkRef(const BulkRef& ref);

    // Marks that an fd travels with the message.
    void setFd(int fd);
    int fd() const { return m_fd; }
    // Fills in the header; false when the body exceeds the message bound.
    bool finish();
    const std::vector<std::uint8_t>& data() const { return m_data; }

private:
    void put(const void* data, std::size_t size);
    std::vector<std::uint8_t> m_data;
    int m_fd = -1;
};

} // namespace velmora::automation::wire
