// VariantChangeType: the automation runtime's coercion rules.
#include "platform/automation/dispatch.h"
#include "platform/automation/hresult.h"
#include "platform/automation/variant.h"
#include "platform/automation/variant_internal.h"

#include <cctype>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

using velmora::automation::Variant;

namespace {

struct Number {
    bool isInteger = true;
    long long integer = 0;
    double real = 0.0;

    double asReal() const { return isInteger ? static_cast<double>(integer) : real; }
    bool isZero() const { return isInteger ? integer == 0 : real == 0.0; }
};

std::string_view trim(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

// Decimal text in the C locale, whatever the process locale.
HRESULT parseNumber(std::string_view text, Number& out)
{
    text = trim(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return DISP_E_TYPEMISMATCH;
    const char* end = text.data() + text.size();
    long long integer = 0;
    auto [p, ec] = std::from_chars(text.data(), end, integer);
    if (ec == std::errc() && p == end) {
        out = {true, integer, 0.0};
        return S_OK;
    }
    double real = 0.0;
    auto [q, ec2] = std::from_chars(text.data(), end, real);
    if (ec2 == std::errc::result_out_of_range)
        return DISP_E_OVERFLOW;
    if (ec2 != std::errc() || q != end || !std::isfinite(real))
        return DISP_E_TYPEMISMATCH;
    out = {false, 0, real};
    return S_OK;
}

HRESULT toNumber(const VARIANT& v, Number& out)
{
    switch (v.vt) {
    case VT_EMPTY:
        out = {};
        return S_OK;
    case VT_I2:
        out = {true, v.iVal, 0.0};
        return S_OK;
    case VT_BOOL:
        out = {true, v.boolVal ? -1 : 0, 0.0};
        return S_OK;
    case VT_I4:
        out = {true, v.lVal, 0.0};
        return S_OK;
    case VT_I8:
        out = {true, v.llVal, 0.0};
        return S_OK;
    case VT_UI1:
        out = {true, v.bVal, 0.0};
        return S_OK;
    case VT_R4:
        out = {false, 0, v.fltVal};
        return S_OK;
    case VT_R8:
        out = {false, 0, v.dblVal};
        return S_OK;
    case VT_DATE:
        out = {false, 0, v.date};
        return S_OK;
    case VT_BSTR:
        return parseNumber(velmora::automation::bstrToUtf8(v.bstrVal), out);
    default:
        return DISP_E_TYPEMISMATCH;
    }
}

// Rounds half to even, then checks the range.
HRESULT toInteger(const Number& n, long long min, long long max, long long& out)
{
    if (n.isInteger) {
        if (n.integer < min || n.integer > max)
            return DISP_E_OVERFLOW;
        out = n.integer;
        return S_OK;
    }
    if (std::isnan(n.real))
        return DISP_E_OVERFLOW;
    const double rounded = std::nearbyint(n.real);
    // 2^63 is the first double outside a long long.
    if (rounded < static_cast<double>(min) || rounded >= 9223372036854775808.0 ||
        rounded > static_cast<double>(max))
        return DISP_E_OVERFLOW;
    out = static_cast<long long>(rounded);
    return S_OK;
}

HRESULT fromNumber(const Number& n, VARTYPE vt, VARIANT* out)
{
    long long i = 0;
    HRESULT hr = S_OK;
    out->vt = vt;
    switch (vt) {
    case VT_I2:
        hr = toInteger(n, INT16_MIN, INT16_MAX, i);
        out->iVal = static_cast<SHORT>(i);
        break;
    case VT_I4:
        hr = toInteger(n, INT32_MIN, INT32_MAX, i);
        out->lVal = static_cast<LONG>(i);
        break;
    case VT_I8:
        hr = toInteger(n, INT64_MIN, INT64_MAX, i);
        out->llVal = i;
        break;
    case VT_UI1:
        hr = toInteger(n, 0, UINT8_MAX, i);
        out->bVal = static_cast<BYTE>(i);
        break;
    case VT_BOOL:
        out->boolVal = n.isZero() ? VARIANT_FALSE : VARIANT_TRUE;
        break;
    case VT_R4:
        if (std::isfinite(n.asReal()) && std::fabs(n.asReal()) > FLT_MAX)
            hr = DISP_E_OVERFLOW;
        out->fltVal = static_cast<float>(n.asReal());
        break;
    case VT_R8:
        out->dblVal = n.asReal();
        break;
    case VT_DATE:
        if (!(n.asReal() >= -657434.0 && n.asReal() < 2958466.0))
            hr = DISP_E_OVERFLOW;
        out->date = n.asReal();
        break;
    default:
        hr = DISP_E_TYPEMISMATCH;
    }
    if (FAILED(hr))
        VariantInit(out);
    return hr;
}

// Shortest-looking form with the runtime's significant digits and "1E-05" exponents.
std::string formatReal(double value, int digits)
{
    char text[64];
    auto [end, ec] = std::to_chars(text, text + sizeof text, value, std::chars_format::general, digits);
    if (ec != std::errc())
        return "0";
    std::string s(text, end);
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

HRESULT toText(const VARIANT& v, USHORT flags, std::string& out)
{
    switch (v.vt) {
    case VT_EMPTY:
        out.clear();
        return S_OK;
    case VT_BOOL:
        out = (flags & VARIANT_ALPHABOOL) ? (v.boolVal ? "True" : "False") : (v.boolVal ? "-1" : "0");
        return S_OK;
    case VT_R4:
        out = formatReal(v.fltVal, 7);
        return S_OK;
    case VT_R8:
        out = formatReal(v.dblVal, 15);
        return S_OK;
    case VT_DATE: {
        auto text = velmora::automation::formatOleDate(v.date);
        if (!text)
            return DISP_E_OVERFLOW;
        out = *text;
        return S_OK;
    }
    default: {
        Number n;
        if (v.vt == VT_BSTR || FAILED(toNumber(v, n)) || !n.isInteger)
            return DISP_E_TYPEMISMATCH;
        out = std::to_string(n.integer);
        return S_OK;
    }
    }
}

HRESULT fromText(const std::string& text, VARTYPE vt, VARIANT* out)
{
    if (vt == VT_BOOL) {
        const std::string_view t = trim(text);
        if (equalsIgnoreCase(t, "true") || equalsIgnoreCase(t, "false")) {
            out->vt = VT_BOOL;
            out->boolVal = equalsIgnoreCase(t, "true") ? VARIANT_TRUE : VARIANT_FALSE;
            return S_OK;
        }
    }
    if (vt == VT_DATE) {
        const auto date = velmora::automation::parseOleDate(trim(text));
        if (!date)
            return DISP_E_TYPEMISMATCH;
        out->vt = VT_DATE;
        out->date = *date;
        return S_OK;
    }
    Number n;
    const HRESULT hr = parseNumber(text, n);
    return FAILED(hr) ? hr : fromNumber(n, vt, out);
}

HRESULT convert(const VARIANT& from, VARTYPE vt, USHORT flags, VARIANT* out);

// An object converts through its default property.
HRESULT convertObject(const VARIANT& from, VARTYPE vt, USHORT flags, VARIANT* out)
{
    if ((flags & VARIANT_NOVALUEPROP) || !from.pdispVal)
        return DISP_E_TYPEMISMATCH;
    DISPPARAMS none;
    Variant value;
    const HRESULT hr = from.pdispVal->Invoke(DISPID_VALUE, IID_NULL, 0, DISPATCH_PROPERTYGET, &none,
                                             value.get(), nullptr, nullptr);
    if (FAILED(hr))
        return DISP_E_TYPEMISMATCH;
    return convert(*value.get(), vt, flags | VARIANT_NOVALUEPROP, out);
}

HRESULT convert(const VARIANT& from, VARTYPE vt, USHORT flags, VARIANT* out)
{
    if (from.vt == vt)
        return VariantCopy(out, &from);
    if (vt == VT_EMPTY)
        return S_OK;
    if (from.vt == VT_DISPATCH)
        return convertObject(from, vt, flags, out);
    if ((from.vt & VT_ARRAY) || (vt & VT_ARRAY) || from.vt == VT_NULL || vt == VT_NULL)
        return DISP_E_TYPEMISMATCH;
    if (vt == VT_BSTR) {
        std::string text;
        const HRESULT hr = toText(from, flags, text);
        if (FAILED(hr))
            return hr;
        out->vt = VT_BSTR;
        out->bstrVal = velmora::automation::bstrFromUtf8(text);
        return out->bstrVal ? S_OK : E_OUTOFMEMORY;
    }
    if (from.vt == VT_BSTR)
        return fromText(velmora::automation::bstrToUtf8(from.bstrVal), vt, out);
    Number n;
    const HRESULT hr = toNumber(from, n);
    return FAILED(hr) ? hr : fromNumber(n, vt, out);
}

} // namespace

HRESULT VariantChangeTypeEx(VARIANT* dest, const VARIANT* source, LCID /*lcid*/, USHORT flags, VARTYPE vt)
{
    if (!dest || !source)
        return E_INVALIDARG;
    if (!velmora::automation::isValidVariantType(source->vt))
        return DISP_E_BADVARTYPE;
    if ((vt & VT_BYREF) || vt == VT_VARIANT || !velmora::automation::isValidVariantType(vt))
        return DISP_E_BADVARTYPE;
    Variant value;
    HRESULT hr = velmora::automation::copyDereferenced(value.get(), source);
    if (FAILED(hr))
        return hr;
    Variant converted;
    hr = convert(*value.get(), vt, flags, converted.get());
    if (FAILED(hr))
        return hr;
    hr = VariantClear(dest);
    if (FAILED(hr))
        return hr;
    *dest = converted.detach();
    return S_OK;
}

HRESULT VariantChangeType(VARIANT* dest, const VARIANT* source, USHORT flags, VARTYPE vt)
{
    return VariantChangeTypeEx(dest, source, LOCALE_USER_DEFAULT, flags, vt);
}
