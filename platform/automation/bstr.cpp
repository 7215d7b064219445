#include "platform/automation/bstr.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr UINT kMaxBstrChars = 1u << 30;

// The prefix sits right before the characters, as in the automation runtime.
std::uint32_t* prefixOf(BSTR text)
{
    return reinterpret_cast<std::uint32_t*>(reinterpret_cast<char*>(text) - sizeof(std::uint32_t));
}

std::size_t stringLength(LPCOLESTR text)
{
    std::size_t n = 0;
    while (text[n])
        ++n;
    return n;
}

// Appends the UTF-8 sequence at text[i...] as one code point; advances i.
char32_t decodeUtf8(std::string_view text, std::size_t& i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    int extra = 0;
    char32_t cp = 0;
    char32_t min = 0;
    if (lead < 0x80) {
        ++i;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        extra = 1, cp = lead & 0x1F, min = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, cp = lead & 0x0F, min = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, cp = lead & 0x07, min = 0x10000;
    } else {
        ++i;
        return 0xFFFD;
    }
    std::size_t k = i + 1;
    for (int n = 0; n < extra; ++n, ++k) {
        if (k >= text.size() || (byte(k) & 0xC0) != 0x80) {
            i = k;
            return 0xFFFD;
        }
        cp = (cp << 6) | (byte(k) & 0x3F);
    }
    i = k;
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0xFFFD;
    return cp;
}

void appendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Copies a converted string into a caller's buffer by the Windows size protocol.
template <class Char, class String> int copyOut(const String& converted, Char* output, int outputSize)
{
    if (converted.size() > static_cast<std::size_t>(kMaxBstrChars))
        return 0;
    const int needed = static_cast<int>(converted.size());
    if (outputSize == 0)
        return needed;
    if (!output || outputSize < needed)
        return 0;
    std::memcpy(output, converted.data(), converted.size() * sizeof(Char));
    return needed;
}

} // namespace

BSTR SysAllocString(LPCOLESTR text)
{
    if (!text)
        return nullptr;
    const std::size_t n = stringLength(text);
    if (n > kMaxBstrChars)
        return nullptr;
    return SysAllocStringLen(text, static_cast<UINT>(n));
}

BSTR SysAllocStringLen(const OLECHAR* text, UINT length)
{
    if (length > kMaxBstrChars)
        return nullptr;
    const std::size_t bytes = static_cast<std::size_t>(length) * sizeof(OLECHAR);
    auto* block = static_cast<char*>(std::malloc(sizeof(std::uint32_t) + bytes + sizeof(OLECHAR)));
    if (!block)
        return nullptr;
    const auto byteLength = static_cast<std::uint32_t>(bytes);
    std::memcpy(block, &byteLength, sizeof byteLength);
    auto* chars = reinterpret_cast<BSTR>(block + sizeof(std::uint32_t));
    if (text)
        std::memcpy(chars, text, bytes);
    else
        std::memset(chars, 0, bytes);
    chars[length] = 0;
    return chars;
}

void SysFreeString(BSTR text)
{
    if (text)
        std::free(prefixOf(text));
}

UINT SysStringLen(BSTR text)
{
    return text ? *prefixOf(text) / sizeof(OLECHAR) : 0;
}

UINT SysStringByteLen(BSTR text)
{
    return text ? *prefixOf(text) : 0;
}

int MultiByteToWideChar(UINT /*codePage*/, DWORD /*flags*/, const char* source, int sourceLength,
                        LPOLESTR output, int outputChars)
{
    if (!source || sourceLength < -1 || outputChars < 0)
        return 0;
    const std::size_t n =
        sourceLength == -1 ? std::strlen(source) + 1 : static_cast<std::size_t>(sourceLength);
    return copyOut(velmora::automation::utf8ToUtf16(std::string_view(source, n)), output, outputChars);
}

int WideCharToMultiByte(UINT /*codePage*/, DWORD /*flags*/, LPCOLESTR source, int sourceLength, char* output,
                        int outputBytes, const char* /*defaultChar*/, BOOL* usedDefault)
{
    if (usedDefault)
        *usedDefault = 0;
    if (!source || sourceLength < -1 || outputBytes < 0)
        return 0;
    const std::size_t n =
        sourceLength == -1 ? stringLength(source) + 1 : static_cast<std::size_t>(sourceLength);
    return copyOut(velmora::automation::utf16ToUtf8(std::u16string_view(source, n)), output, outputBytes);
}

namespace velmora::automation {

std::u16string utf8ToUtf16(std::string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const char32_t cp = decodeUtf8(text, i);
        if (cp >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

std::string utf16ToUtf8(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = '?';
        }
        appendUtf8(out, cp);
    }
    return out;
}

BSTR bstrFromUtf8(std::string_view utf8)
{
    const std::u16string wide = utf8ToUtf16(utf8);
    if (wide.size() > kMaxBstrChars)
        return nullptr;
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

std::u16string_view bstrView(BSTR text)
{
    return text ? std::u16string_view(text, SysStringLen(text)) : std::u16string_view();
}

std::string bstrToUtf8(BSTR text)
{
    return utf16ToUtf8(bstrView(text));
}

} // namespace velmora::automation
