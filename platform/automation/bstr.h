#pragma once
// Automation strings (BSTR): UTF-16 with a length prefix and a terminating NUL, and
// conversions from and to the 8-bit "ANSI" code page, which is UTF-8 here.
//
// A BSTR may hold embedded NULs; its length is the prefix, not the first NUL. A null
// BSTR is an empty string to every function here.

#include "platform/automation/win_types.h"

#include <memory>
#include <string>
#include <string_view>

using BSTR = OLECHAR*;

// Copies up to the first NUL. Null in gives null out.
BSTR SysAllocString(LPCOLESTR text);
// Copies `length` characters (text may be null: the characters are then zero).
// Null when out of memory or the length is unreasonable (over 2^30 characters).
BSTR SysAllocStringLen(const OLECHAR* text, UINT length);
void SysFreeString(BSTR text);
UINT SysStringLen(BSTR text);
UINT SysStringByteLen(BSTR text);

constexpr UINT CP_ACP = 0;
constexpr UINT CP_UTF8 = 65001;

// Windows-shaped conversions (CP_ACP and CP_UTF8 are both UTF-8 here). A source
// length of -1 means NUL-terminated, and the NUL is converted and counted too. With
// an output size of 0 the needed size is returned; when the output is too small,
// 0. Malformed UTF-8 becomes U+FFFD; unpaired surrogates become '?'.
int MultiByteToWideChar(UINT codePage, DWORD flags, const char* source, int sourceLength, LPOLESTR output,
                        int outputChars);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCOLESTR source, int sourceLength, char* output,
                        int outputBytes, const char* defaultChar, BOOL* usedDefault);

namespace velmora::automation {

std::u16string utf8ToUtf16(std::string_view text);
std::string utf16ToUtf8(std::u16string_view text);

// A new BSTR holding the UTF-16 form of `utf8`; null only when out of memory.
BSTR bstrFromUtf8(std::string_view utf8);
std::u16string_view bstrView(BSTR text);
std::string bstrToUtf8(BSTR text);

struct BstrDeleter {
    void operator()(OLECHAR* text) const { SysFreeString(text); }
};
// Owns one BSTR.
using UniqueBstr = std::unique_ptr<OLECHAR, BstrDeleter>;

} // namespace velmora::automation
