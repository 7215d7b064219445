#include "platform/automation/variant_text.h"

#include "platform/automation/variant_internal.h"

#include <charconv>
#include <cstdio>

namespace velmora::automation {

std::string shortestReal(double value)
{
    char text[64];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, value);
    return ec == std::errc() ? std::string(text, end) : "nan";
}

const char* variantTypeName(VARTYPE vt)
{
    switch (vt) {
    case VT_I2:
        return "i2";
    case VT_I4:
        return "i4";
    case VT_I8:
        return "i8";
    case VT_UI1:
        return "ui1";
    case VT_R4:
        return "r4";
    case VT_R8:
        return "r8";
    case VT_BOOL:
        return "bool";
    case VT_DATE:
        return "date";
    case VT_ERROR:
        return "error";
    case VT_BSTR:
        return "str";
    default:
        return "variant";
    }
}

std::string variantText(const VARIANT& v)
{
    char text[32];
    switch (v.vt) {
    case VT_EMPTY:
        return "empty";
    case VT_NULL:
        return "null";
    case VT_I2:
        return std::to_string(v.iVal);
    case VT_I4:
        return std::to_string(v.lVal);
    case VT_I8:
        return std::to_string(v.llVal);
    case VT_UI1:
        return std::to_string(v.bVal);
    case VT_R4:
        return shortestReal(v.fltVal);
    case VT_R8:
        return shortestReal(v.dblVal);
    case VT_BOOL:
        return v.boolVal ? "true" : "false";
    case VT_BSTR:
        return bstrToUtf8(v.bstrVal);
    case VT_DATE:
        return formatOleDate(v.date).value_or(shortestReal(v.date));
    case VT_ERROR:
        std::snprintf(text, sizeof text, "error 0x%08X", static_cast<unsigned>(v.scode));
        return text;
    case VT_DISPATCH:
    case VT_UNKNOWN:
        return v.punkVal ? "[object]" : "nothing";
    default:
        return "?";
    }
}

std::string describeVariant(const VARIANT& v)
{
    switch (v.vt) {
    case VT_EMPTY:
        return "empty";
    case VT_I2:
    case VT_I4:
    case VT_I8:
    case VT_R8:
    case VT_BOOL:
    case VT_BSTR: {
        std::string text = variantTypeName(v.vt);
        text += ':';
        text += variantText(v);
        return text;
    }
    default:
        return "vt" + std::to_string(v.vt);
    }
}

} // namespace velmora::automation
