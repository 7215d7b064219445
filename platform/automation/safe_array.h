#pragma once
// SAFEARRAY: the automation array of 1 to 3 dimensions with per-dimension lower
// bounds.
//
// Dimension 1 is the first index and varies fastest in storage (column-major, as
// automation arrays are): a camera image created with bounds {width, height} is
// stored row after row with x fastest. rgsabound[0] describes dimension 1, and index
// vectors (rgIndices) list dimension 1 first. Element types: VT_I2, VT_I4, VT_I8,
// VT_UI1, VT_R4, VT_R8, VT_BOOL, VT_DATE, VT_ERROR, VT_BSTR and VT_VARIANT.
// Use the functions, not the fields: the layout is this runtime's own.

#include "platform/automation/win_types.h"

#include <cstddef>
#include <memory>

struct SAFEARRAYBOUND {
    ULONG cElements;
    LONG lLbound;
};

constexpr UINT kMaxSafeArrayDims = 3;

struct SAFEARRAY {
    USHORT cDims = 0;
    USHORT fFeatures = 0;
    ULONG cbElements = 0;
    ULONG cLocks = 0;
    void* pvData = nullptr;
    SAFEARRAYBOUND rgsabound[kMaxSafeArrayDims] = {};
    VARTYPE vt = 0;
    // Set when pvData belongs to someone else (a shared mapping); dropped on destroy.
    std::shared_ptr<void> dataOwner;
};

// Null for an unsupported element type, a dimension count outside 1..3, or a total
// size over 1 GiB. Elements start zeroed (empty variants, null strings).
SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT cDims, const SAFEARRAYBOUND* rgsabound);
SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements);
// Frees the elements (strings, variants) and the array; DISP_E_ARRAYISLOCKED while
// locked.
HRESULT SafeArrayDestroy(SAFEARRAY* psa);
UINT SafeArrayGetDim(SAFEARRAY* psa);
UINT SafeArrayGetElemsize(SAFEARRAY* psa);
HRESULT SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* vt);
// nDim counts from 1; DISP_E_BADINDEX outside 1..cDims.
HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* lbound);
HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* ubound);
HRESULT SafeArrayLock(SAFEARRAY* psa);
HRESULT SafeArrayUnlock(SAFEARRAY* psa);
// Locks the array and gives its data; pair with SafeArrayUnaccessData.
HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** data);
HRESULT SafeArrayUnaccessData(SAFEARRAY* psa);
// DISP_E_BADINDEX when an index is outside its dimension.
HRESULT SafeArrayPtrOfIndex(SAFEARRAY* psa, const LONG* rgIndices, void** element);
// Copies the element out: strings are duplicated, variants deep-copied.
HRESULT SafeArrayGetElement(SAFEARRAY* psa, const LONG* rgIndices, void* value);
// Copies the value in: `value` points at the element type (a BSTR itself, not a
// pointer to it, for VT_BSTR; a VARIANT* for VT_VARIANT).
HRESULT SafeArrayPutElement(SAFEARRAY* psa, const LONG* rgIndices, const void* value);
HRESULT SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** copy);

namespace velmora::automation {

// Element size for an array element type; 0 when unsupported.
ULONG safeArrayElementSize(VARTYPE vt);
// Total element count (product of the extents).
std::size_t safeArrayElementCount(const SAFEARRAY* psa);
// An array whose data is not zeroed, for callers that fill every byte at once; only
// for fixed-size element types (not VT_BSTR or VT_VARIANT).
SAFEARRAY* createUninitializedSafeArray(VARTYPE vt, UINT cDims, const SAFEARRAYBOUND* rgsabound);
// An array over memory owned by `owner`, which is released with the array. Only for
// fixed-size element types; `data` must hold the whole array.
SAFEARRAY* createSafeArrayOver(VARTYPE vt, UINT cDims, const SAFEARRAYBOUND* rgsabound, void* data,
                               std::shared_ptr<void> owner);

} // namespace velmora::automation
