#include "tools/call/value_format.h"

#include "platform/automation/hresult.h"
#include "platform/automation/safe_array.h"
#include "platform/automation/variant_internal.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace velmora::tools {

using automation::Variant;

namespace {

const char* elementName(VARTYPE vt)
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

template <class T> std::string statistics(const SAFEARRAY* psa, bool integral)
{
    const auto* items = static_cast<const T*>(psa->pvData);
    const std::size_t count = automation::safeArrayElementCount(psa);
    if (count == 0)
        return "";
    const auto [low, high] = std::minmax_element(items, items + count);
    if (integral) {
        long long sum = 0;
        for (std::size_t i = 0; i < count; ++i)
            sum += static_cast<long long>(items[i]);
        return " min=" + std::to_string(static_cast<long long>(*low)) +
               " max=" + std::to_string(static_cast<long long>(*high)) + " sum=" + std::to_string(sum);
    }
    double sum = 0;
    for (std::size_t i = 0; i < count; ++i)
        sum += static_cast<double>(items[i]);
    return " min=" + formatReal(*low) + " max=" + formatReal(*high) + " sum=" + formatReal(sum);
}

std::string formatArray(const SAFEARRAY* psa)
{
    if (!psa)
        return "[]";
    std::string text = "[";
    // Appended piece by piece: GCC 12 at -O3 misreads "literal" + std::string as an
    // overlapping copy (-Wrestrict).
    for (UINT d = 0; d < psa->cDims; ++d) {
        if (d > 0)
            text += 'x';
        text += std::to_string(psa->rgsabound[d].cElements);
    }
    text += ' ';
    text += elementName(psa->vt);
    switch (psa->vt) {
    case VT_I2:
        text += statistics<SHORT>(psa, true);
        break;
    case VT_I4:
        text += statistics<LONG>(psa, true);
        break;
    case VT_I8:
        text += statistics<LONGLONG>(psa, true);
        break;
    case VT_UI1:
        text += statistics<BYTE>(psa, true);
        break;
    case VT_R4:
        text += statistics<FLOAT>(psa, false);
        break;
    case VT_R8:
        text += statistics<DOUBLE>(psa, false);
        break;
    default:
        break;
    }
    return text + "]";
}

std::string formatScalar(const VARIANT& v)
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
        return formatReal(v.fltVal);
    case VT_R8:
        return formatReal(v.dblVal);
    case VT_BOOL:
        return v.boolVal ? "true" : "false";
    case VT_BSTR:
        return automation::bstrToUtf8(v.bstrVal);
    case VT_DATE:
        return automation::formatOleDate(v.date).value_or(formatReal(v.date));
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

} // namespace

std::string formatReal(double value)
{
    char text[64];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, value);
    return ec == std::errc() ? std::string(text, end) : "nan";
}

std::string formatValue(const VARIANT& value)
{
    if (value.vt & VT_BYREF) {
        Variant copy;
        if (FAILED(VariantCopyInd(copy.get(), &value)))
            return "?";
        return formatValue(*copy.get());
    }
    if (value.vt & VT_ARRAY)
        return formatArray(value.parray);
    return formatScalar(value);
}

} // namespace velmora::tools
