#include "platform/automation/guid.h"

#include "platform/automation/bstr.h"
#include "platform/automation/hresult.h"

#include <cstdio>
#include <cstring>

namespace velmora::automation {

namespace {

constexpr std::size_t kGuidTextLength = 38; // braces, 32 digits, 4 dashes

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads `digits` hex digits at text[pos]; false on a non-hex character.
bool readHex(std::string_view text, std::size_t pos, int digits, std::uint64_t& out)
{
    out = 0;
    for (int i = 0; i < digits; ++i) {
        const int v = hexValue(text[pos + static_cast<std::size_t>(i)]);
        if (v < 0)
            return false;
        out = (out << 4) | static_cast<std::uint64_t>(v);
    }
    return true;
}

} // namespace

std::optional<GUID> parseGuid(std::string_view text)
{
    if (text.size() != kGuidTextLength || text.front() != '{' || text.back() != '}')
        return std::nullopt;
    if (text[9] != '-' || text[14] != '-' || text[19] != '-' || text[24] != '-')
        return std::nullopt;
    GUID guid;
    std::uint64_t v = 0;
    if (!readHex(text, 1, 8, v))
        return std::nullopt;
    guid.Data1 = static_cast<std::uint32_t>(v);
    if (!readHex(text, 10, 4, v))
        return std::nullopt;
    guid.Data2 = static_cast<std::uint16_t>(v);
    if (!readHex(text, 15, 4, v))
        return std::nullopt;
    guid.Data3 = static_cast<std::uint16_t>(v);
    // Data4: two bytes before the last dash, six after it.
    constexpr std::size_t kBytePos[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (int i = 0; i < 8; ++i) {
        if (!readHex(text, kBytePos[i], 2, v))
            return std::nullopt;
        guid.Data4[i] = static_cast<std::uint8_t>(v);
    }
    return guid;
}

std::string formatGuid(const GUID& g)
{
    char text[kGuidTextLength + 1];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1, g.Data2,
                  g.Data3, g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6],
                  g.Data4[7]);
    return text;
}

bool GuidLess::operator()(const GUID& a, const GUID& b) const
{
    return std::memcmp(&a, &b, sizeof(GUID)) < 0;
}

} // namespace velmora::automation

HRESULT CLSIDFromString(LPCOLESTR text, CLSID* clsid)
{
    if (!clsid)
        return E_INVALIDARG;
    *clsid = CLSID_NULL;
    if (!text)
        return CO_E_CLASSSTRING;
    const auto guid = velmora::automation::parseGuid(velmora::automation::utf16ToUtf8(text));
    if (!guid)
        return CO_E_CLASSSTRING;
    *clsid = *guid;
    return S_OK;
}

int StringFromGUID2(REFGUID guid, LPOLESTR buffer, int bufferChars)
{
    const std::string text = velmora::automation::formatGuid(guid);
    if (!buffer || bufferChars < static_cast<int>(text.size()) + 1)
        return 0;
    for (std::size_t i = 0; i < text.size(); ++i)
        buffer[i] = static_cast<OLECHAR>(text[i]);
    buffer[text.size()] = 0;
    return static_cast<int>(text.size()) + 1;
}
