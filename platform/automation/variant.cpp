#include "platform/automation/variant.h"

#include "platform/automation/dispatch.h"
#include "platform/automation/hresult.h"
#include "platform/automation/safe_array.h"
#include "platform/automation/variant_internal.h"

#include <cstring>
#include <utility>

namespace velmora::automation {

namespace {

bool isScalarType(VARTYPE vt)
{
    switch (vt) {
    case VT_I2:
    case VT_I4:
    case VT_I8:
    case VT_UI1:
    case VT_R4:
    case VT_R8:
    case VT_BOOL:
    case VT_BSTR:
    case VT_DATE:
    case VT_ERROR:
    case VT_DISPATCH:
    case VT_UNKNOWN:
        return true;
    default:
        return false;
    }
}

bool isArrayElementType(VARTYPE vt)
{
    return safeArrayElementSize(vt) != 0;
}

// Copies the value `source` holds (not a reference) into an empty dest.
HRESULT copyValue(VARIANT* dest, const VARIANT* source)
{
    *dest = *source;
    if (source->vt & VT_ARRAY) {
        dest->parray = nullptr;
        dest->vt = VT_EMPTY;
        SAFEARRAY* copy = nullptr;
        const HRESULT hr = SafeArrayCopy(source->parray, &copy);
        if (FAILED(hr))
            return hr;
        dest->vt = source->vt;
        dest->parray = copy;
        return S_OK;
    }
    switch (source->vt) {
    case VT_BSTR:
        if (source->bstrVal) {
            dest->bstrVal = SysAllocStringLen(source->bstrVal, SysStringLen(source->bstrVal));
            if (!dest->bstrVal) {
                dest->vt = VT_EMPTY;
                return E_OUTOFMEMORY;
            }
        }
        break;
    case VT_DISPATCH:
    case VT_UNKNOWN:
        if (source->punkVal)
            source->punkVal->AddRef();
        break;
    default:
        break;
    }
    return S_OK;
}

// The value a by-reference variant points at, as a by-value variant that shares
// (does not own) its resources.
HRESULT dereference(const VARIANT* source, VARIANT* shallow)
{
    VariantInit(shallow);
    const VARTYPE base = source->vt & ~VT_BYREF;
    if (!source->byref)
        return E_INVALIDARG;
    if (base == VT_VARIANT) {
        if (source->pvarVal->vt & VT_BYREF)
            return E_INVALIDARG;
        *shallow = *source->pvarVal;
        return S_OK;
    }
    // Every other by-reference type points at a value laid out as in the union.
    const std::size_t size = (base & VT_ARRAY) || base == VT_DISPATCH || base == VT_UNKNOWN
                                 ? sizeof(void*)
                                 : safeArrayElementSize(base);
    if (size == 0 || base == VT_VARIANT)
        return DISP_E_BADVARTYPE;
    std::memcpy(&shallow->llVal, source->byref, size);
    shallow->vt = base;
    return S_OK;
}

} // namespace

bool isValidVariantType(VARTYPE vt)
{
    if (vt == VT_EMPTY || vt == VT_NULL)
        return true;
    if ((vt & ~(VT_BYREF | VT_ARRAY | VT_TYPEMASK)) != 0)
        return false;
    const VARTYPE base = vt & VT_TYPEMASK;
    if (vt & VT_ARRAY)
        return isArrayElementType(base);
    if (vt & VT_BYREF)
        return isScalarType(base) || base == VT_VARIANT;
    return isScalarType(base);
}

// Reads a by-value copy of a possibly by-reference variant; the copy is owned.
HRESULT copyDereferenced(VARIANT* dest, const VARIANT* source)
{
    if (!(source->vt & VT_BYREF))
        return copyValue(dest, source);
    VARIANT shallow;
    const HRESULT hr = dereference(source, &shallow);
    if (FAILED(hr))
        return hr;
    return copyValue(dest, &shallow);
}

Variant::Variant(Variant&& other) noexcept : m_value(other.m_value)
{
    VariantInit(&other.m_value);
}

Variant& Variant::operator=(Variant&& other) noexcept
{
    if (this != &other) {
        VariantClear(&m_value);
        m_value = other.m_value;
        VariantInit(&other.m_value);
    }
    return *this;
}

VARIANT* Variant::put()
{
    VariantClear(&m_value);
    return &m_value;
}

VARIANT Variant::detach()
{
    VARIANT value = m_value;
    VariantInit(&m_value);
    return value;
}

Variant Variant::i2(SHORT value)
{
    Variant v;
    v.m_value.vt = VT_I2;
    v.m_value.iVal = value;
    return v;
}

Variant Variant::i4(LONG value)
{
    Variant v;
    v.m_value.vt = VT_I4;
    v.m_value.lVal = value;
    return v;
}

Variant Variant::i8(LONGLONG value)
{
    Variant v;
    v.m_value.vt = VT_I8;
    v.m_value.llVal = value;
    return v;
}

Variant Variant::r8(DOUBLE value)
{
    Variant v;
    v.m_value.vt = VT_R8;
    v.m_value.dblVal = value;
    return v;
}

Variant Variant::boolean(bool value)
{
    Variant v;
    v.m_value.vt = VT_BOOL;
    v.m_value.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

Variant Variant::string(std::string_view utf8)
{
    Variant v;
    v.m_value.vt = VT_BSTR;
    v.m_value.bstrVal = bstrFromUtf8(utf8);
    return v;
}

Variant Variant::array(SAFEARRAY* array)
{
    Variant v;
    if (array) {
        v.m_value.vt = static_cast<VARTYPE>(VT_ARRAY | array->vt);
        v.m_value.parray = array;
    }
    return v;
}

} // namespace velmora::automation

using namespace velmora::automation;

void VariantInit(VARIANT* v)
{
    v->vt = VT_EMPTY;
    v->wReserved1 = v->wReserved2 = v->wReserved3 = 0;
    v->llVal = 0;
}

HRESULT VariantClear(VARIANT* v)
{
    if (!v)
        return E_INVALIDARG;
    if (!isValidVariantType(v->vt))
        return DISP_E_BADVARTYPE;
    if (!(v->vt & VT_BYREF)) {
        if (v->vt & VT_ARRAY) {
            const HRESULT hr = SafeArrayDestroy(v->parray);
            if (FAILED(hr))
                return hr;
        } else if (v->vt == VT_BSTR) {
            SysFreeString(v->bstrVal);
        } else if ((v->vt == VT_DISPATCH || v->vt == VT_UNKNOWN) && v->punkVal) {
            v->punkVal->Release();
        }
    }
    VariantInit(v);
    return S_OK;
}

HRESULT VariantCopy(VARIANT* dest, const VARIANT* source)
{
    if (!dest || !source)
        return E_INVALIDARG;
    if (!isValidVariantType(source->vt))
        return DISP_E_BADVARTYPE;
    if (dest == source)
        return S_OK;
    HRESULT hr = VariantClear(dest);
    if (FAILED(hr))
        return hr;
    if (source->vt & VT_BYREF) {
        *dest = *source;
        return S_OK;
    }
    return copyValue(dest, source);
}

HRESULT VariantCopyInd(VARIANT* dest, const VARIANT* source)
{
    if (!dest || !source)
        return E_INVALIDARG;
    if (!isValidVariantType(source->vt))
        return DISP_E_BADVARTYPE;
    VARIANT copy;
    VariantInit(&copy);
    const HRESULT hr = copyDereferenced(&copy, source);
    if (FAILED(hr))
        return hr;
    const HRESULT cleared = VariantClear(dest);
    if (FAILED(cleared)) {
        VariantClear(&copy);
        return cleared;
    }
    *dest = copy;
    return S_OK;
}
