#pragma once
// VARIANT: the automation runtime's tagged value, with its copy, clear and
// change-type rules.
//
// Supported types: VT_EMPTY, VT_NULL, VT_I2, VT_I4, VT_I8, VT_UI1, VT_R4, VT_R8,
// VT_BOOL, VT_BSTR, VT_DATE, VT_ERROR, VT_DISPATCH, VT_UNKNOWN, VT_ARRAY | any
// element type of safe_array.h, and VT_BYREF | any of those or VT_VARIANT. Other
// type codes are DISP_E_BADVARTYPE.

#include "platform/automation/bstr.h"
#include "platform/automation/win_types.h"

#include <string_view>

struct IUnknown;
struct IDispatch;
struct SAFEARRAY;

enum VARENUM : VARTYPE {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_DATE = 7,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_UI1 = 17,
    VT_I8 = 20,
    VT_ARRAY = 0x2000,
    VT_BYREF = 0x4000,
    VT_TYPEMASK = 0x0FFF,
};

struct VARIANT {
    VARTYPE vt;
    WORD wReserved1;
    WORD wReserved2;
    WORD wReserved3;
    union {
        LONGLONG llVal;
        LONG lVal;
        BYTE bVal;
        SHORT iVal;
        FLOAT fltVal;
        DOUBLE dblVal;
        VARIANT_BOOL boolVal;
        SCODE scode;
        DATE date;
        BSTR bstrVal;
        IUnknown* punkVal;
        IDispatch* pdispVal;
        SAFEARRAY* parray;
        BYTE* pbVal;
        SHORT* piVal;
        LONG* plVal;
        LONGLONG* pllVal;
        FLOAT* pfltVal;
        DOUBLE* pdblVal;
        VARIANT_BOOL* pboolVal;
        SCODE* pscode;
        DATE* pdate;
        BSTR* pbstrVal;
        IUnknown** ppunkVal;
        IDispatch** ppdispVal;
        SAFEARRAY** pparray;
        VARIANT* pvarVal;
        void* byref;
    };
};
using VARIANTARG = VARIANT;

// VariantChangeType flags.
constexpr USHORT VARIANT_NOVALUEPROP = 0x01;
constexpr USHORT VARIANT_ALPHABOOL = 0x02;

void VariantInit(VARIANT* v);
// Frees what the variant owns (string, array, interface reference) and leaves
// VT_EMPTY. By-reference variants own nothing.
HRESULT VariantClear(VARIANT* v);
// Deep copy (strings and arrays duplicated, interfaces AddRef'd); by-reference
// variants copy the reference. `dest` is cleared first.
HRESULT VariantCopy(VARIANT* dest, const VARIANT* source);
// As VariantCopy, but a by-reference source is copied as the value it points at.
HRESULT VariantCopyInd(VARIANT* dest, const VARIANT* source);
// Converts to `vt` as the automation runtime does: integers from reals round half to
// even, out-of-range values are DISP_E_OVERFLOW, strings are parsed in the C locale,
// VARIANT_TRUE is -1, a VT_BOOL becomes "-1"/"0" (or "True"/"False" with
// VARIANT_ALPHABOOL), an object gives its default (DISPID_VALUE) property, VT_NULL
// converts to nothing but itself. dest may equal source.
HRESULT VariantChangeType(VARIANT* dest, const VARIANT* source, USHORT flags, VARTYPE vt);
HRESULT VariantChangeTypeEx(VARIANT* dest, const VARIANT* source, LCID lcid, USHORT flags, VARTYPE vt);

namespace velmora::automation {

// True for a type code this runtime can hold in a VARIANT.
bool isValidVariantType(VARTYPE vt);

// Owns one VARIANT and clears it on destruction.
class Variant {
public:
    Variant() { VariantInit(&m_value); }
    ~Variant() { VariantClear(&m_value); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    Variant(Variant&& other) noexcept;
    Variant& operator=(Variant&& other) noexcept;

    static Variant i2(SHORT value);
    static Variant i4(LONG value);
    static Variant i8(LONGLONG value);
    static Variant r8(DOUBLE value);
    static Variant boolean(bool value);
    static Variant string(std::string_view utf8);
    // Takes ownership of the array (VT_ARRAY | its element type).
    static Variant array(SAFEARRAY* array);

    VARIANT* get() { return &m_value; }
    const VARIANT* get() const { return &m_value; }
    VARIANT* operator->() { return &m_value; }
    const VARIANT* operator->() const { return &m_value; }
    // Clears and returns the variant for use as an output parameter.
    VARIANT* put();
    // Hands the value over to the caller, leaving this one empty.
    VARIANT detach();

private:
    VARIANT m_value;
};

} // namespace velmora::automation
