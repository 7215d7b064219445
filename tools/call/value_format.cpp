#include "tools/call/value_format.h"

#include "platform/automation/hresult.h"
#include "platform/automation/safe_array.h"
#include "platform/automation/variant_text.h"

#include <algorithm>

namespace velmora::tools {

using automation::Variant;

namespace {

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
    return " min=" + automation::shortestReal(*low) + " max=" + automation::shortestReal(*high) +
           " sum=" + automation::shortestReal(sum);
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
    text += automation::variantTypeName(psa->vt);
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

} // namespace

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
    return automation::variantText(value);
}

} // namespace velmora::tools
