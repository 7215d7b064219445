#pragma once
// GUIDs (class, interface and application ids) and their "{8-4-4-4-12}" text form.

#include "platform/automation/win_types.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

struct GUID {
    std::uint32_t Data1 = 0;
    std::uint16_t Data2 = 0;
    std::uint16_t Data3 = 0;
    std::uint8_t Data4[8] = {};

    friend bool operator==(const GUID&, const GUID&) = default;
};
using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

inline constexpr IID IID_NULL{};
inline constexpr CLSID CLSID_NULL{};
inline constexpr IID IID_IUnknown{0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IClassFactory{0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IDispatch{0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IErrorInfo{
    0x1CF2B120, 0x547D, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};
inline constexpr IID IID_ICreateErrorInfo{
    0x22F03340, 0x547D, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};

// Parses "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (braces required, hex in either
// case); CO_E_CLASSSTRING for anything else.
HRESULT CLSIDFromString(LPCOLESTR text, CLSID* clsid);
// Writes the braced upper-case form and its NUL; returns the characters written
// including the NUL, or 0 when the buffer is too small.
int StringFromGUID2(REFGUID guid, LPOLESTR buffer, int bufferChars);

namespace velmora::automation {

std::optional<GUID> parseGuid(std::string_view text);
// "{D4C15D51-4514-45D0-BE84-AC2DC1CA2955}"
std::string formatGuid(const GUID& guid);

struct GuidLess {
    bool operator()(const GUID& a, const GUID& b) const;
};

} // namespace velmora::automation
