#pragma once
// Base64 (RFC 4648, with padding) for the star image's pixels.

#include <cstdint>
#include <span>
#include <string>

namespace velmora::client::remote {

std::string base64Encode(std::span<const std::uint8_t> bytes);

} // namespace velmora::client::remote
