#include "platform/automation/wire_writer.h"

#include <bit>
#include <cstring>

namespace velmora::automation::wire {

static_assert(std::endian::native == std::endian::little, "the wire format is little-endian");

// The header is built by the vector's sized constructor: growing an empty vector with resize()
// here made GCC 12 at -O3 see a copy of its (empty) old contents as out of bounds.
WireWriter::WireWriter(Tag tag) : m_data(kHeaderBytes, 0)
{
    m_data[4] = static_cast<std::uint8_t>(tag);
}

void WireWriter::put(const void* data, std::size_t size)
{
    const auto* p = static_cast<const std::uint8_t*>(data);
    m_data.insert(m_data.end(), p, p + size);
}

void WireWriter::string(const OLECHAR* text, std::size_t length, bool isNull)
{
    if (isNull) {
        u32(kNullString);
        return;
    }
    u32(static_cast<std::uint32_t>(length));
    put(text, length * sizeof(OLECHAR));
}

void WireWriter::bulkRef(const BulkRef& ref)
{
    u32(ref.buffer);
    u8(ref.isNew ? 1 : 0);
    u64(ref.capacity);
    u64(ref.offset);
    u64(ref.size);
}

void WireWriter::setFd(int fd)
{
    m_fd = fd;
    m_data[5] = fd >= 0 ? kFlagFd : 0;
}

bool WireWriter::finish()
{
    const std::size_t body = m_data.size() - kHeaderBytes;
    if (body > kMaxMessageBytes)
        return false;
    const auto size = static_cast<std::uint32_t>(body);
    std::memcpy(m_data.data(), &size, 4);
    return true;
}

} // namespace velmora::automation::wire
