#include "server/frame/exposure_sequences.h"

namespace velmora::server {

ExposureSequences::ExposureSequences()
    : m_sequences{ExposureSequence::defaults(0), ExposureSequence::defaults(1)}
{
}

ExposureSequences ExposureSequences::fromStored(const std::uint8_t* data, std::size_t size, std::int32_t type)
{
    ExposureSequences result;
    result.select(type);
    if (!data)
        return result;
    for (int i = 0; i < kCount; ++i) {
        const std::size_t offset = ExposureSequence::kStoredSize * static_cast<std::size_t>(i);
        if (size >= offset + ExposureSequence::kStoredSize)
            result.m_sequences[i] = ExposureSequence::load(data + offset);
    }
    return result;
}

std::array<std::uint8_t, ExposureSequences::kStoredSize> ExposureSequences::toBytes() const
{
    std::array<std::uint8_t, kStoredSize> bytes{};
    for (int i = 0; i < kCount; ++i)
        m_sequences[i].store(bytes.data() + ExposureSequence::kStoredSize * static_cast<std::size_t>(i));
    return bytes;
}

bool ExposureSequences::select(int type)
{
    if (type < 0 || type >= kCount)
        return false;
    m_type = type;
    return true;
}

} // namespace velmora::server
