#include "platform/automation/safe_array.h"

#include "platform/automation/block_pool.h"
#include "platform/automation/bstr.h"
#include "platform/automation/hresult.h"
#include "platform/automation/variant.h"

#include <cstring>

using velmora::automation::BlockPool;

namespace velmora::automation {

namespace {

constexpr std::size_t kMaxArrayBytes = std::size_t(1) << 30;

bool holdsResources(VARTYPE vt)
{
    return vt == VT_BSTR || vt == VT_VARIANT;
}

std::size_t dataBytes(const SAFEARRAY* psa)
{
    return safeArrayElementCount(psa) * psa->cbElements;
}

// Validates the shape and fills in everything but the data.
SAFEARRAY* newHeader(VARTYPE vt, UINT cDims, const SAFEARRAYBOUND* rgsabound)
{
    const ULONG elementSize = safeArrayElementSize(vt);
    if (elementSize == 0 || cDims < 1 || cDims > kMaxSafeArrayDims || !rgsabound)
        return nullptr;
    std::size_t count = 1;
    for (UINT d = 0; d < cDims; ++d) {
        const std::size_t extent = rgsabound[d].cElements;
        if (extent != 0 && count > kMaxArrayBytes / extent)
            return nullptr;
        count *= extent;
        // The last index must stay representable as a LONG.
        if (static_cast<long long>(rgsabound[d].lLbound) + static_cast<long long>(extent) - 1 > INT32_MAX)
            return nullptr;
    }
    if (count > kMaxArrayBytes / elementSize)
        return nullptr;
    auto* psa = new (std::nothrow) SAFEARRAY;
    if (!psa)
        return nullptr;
    psa->cDims = static_cast<USHORT>(cDims);
    psa->cbElements = elementSize;
    psa->vt = vt;
    for (UINT d = 0; d < cDims; ++d)
        psa->rgsabound[d] = rgsabound[d];
    return psa;
}

SAFEARRAY* createArray(VARTYPE vt, UINT cDims, const SAFEARRAYBOUND* rgsabound, bool zero)
{
    SAFEARRAY* psa = newHeader(vt, cDims, rgsabound);
    if (!psa)
        return nullptr;
    const std::size_t bytes = dataBytes(psa);
    if (bytes > 0) {
        psa->pvData = BlockPool::instance().allocate(bytes);
        if (!psa->pvData) {
            delete psa;
            return nullptr;
        }
        if (zero)
            std::memset(psa->pvData, 0, bytes);
    }
    return psa;
}

void clearElements(SAFEARRAY* psa)
{
    const std::size_t count = safeArrayElementCount(psa);
    if (psa->vt == VT_BSTR) {
        auto* items = static_cast<BSTR*>(psa->pvData);
        for (std::size_t i = 0; i < count; ++i)
            SysFreeString(items[i]);
    } else if (psa->vt == VT_VARIANT) {
        auto* items = static_cast<VARIANT*>(psa->pvData);
        for (std::size_t i = 0; i < count; ++i)
            VariantClear(&items[i]);
    }
}

HRESULT copyElements(const SAFEARRAY* from, SAFEARRAY* to)
{
    const std::size_t count = safeArrayElementCount(from);
    if (from->vt == VT_BSTR) {
        auto* src = static_cast<BSTR*>(from->pvData);
        auto* dst = static_cast<BSTR*>(to->pvData);
        for (std::size_t i = 0; i < count; ++i) {
            if (src[i] && !(dst[i] = SysAllocStringLen(src[i], SysStringLen(src[i]))))
                return E_OUTOFMEMORY;
        }
    } else if (from->vt == VT_VARIANT) {
        auto* src = static_cast<VARIANT*>(from->pvData);
        auto* dst = static_cast<VARIANT*>(to->pvData);
        for (std::size_t i = 0; i < count; ++i) {
            const HRESULT hr = VariantCopy(&dst[i], &src[i]);
            if (FAILED(hr))
                return hr;
        }
    } else if (count > 0) {
        std::memcpy(to->pvData, from->pvData, dataBytes(from));
    }
    return S_OK;
}

} // namespace

ULONG safeArrayElementSize(VARTYPE vt)
{
    switch (vt) {
    case VT_UI1:
        return 1;
    case VT_I2:
    case VT_BOOL:
        return 2;
    case VT_I4:
    case VT_R4:
    case VT_ERROR:
        return 4;
    case VT_I8:
    case VT_R8:
    case VT_DATE:
        return 8;
    case VT_BSTR:
        return sizeof(BSTR);
    case VT_VARIANT:
        return sizeof(VARIANT);
    default:
        return 0;
    }
}

std::size_t safeArrayElementCount(const SAFEARRAY* psa)
{
    std::size_t count = 1;
    for (UINT d = 0; d < psa->cDims; ++d)
        count *= psa->rgsabound[d].cElements;
    return count;
}

SAFEARRAY* createUninitializedSafeArray(VARTYPE vt, UINT cDims, const SAFEARRAYBOUND* rgsabound)
{
    if (holdsResources(vt))
        return nullptr;
    return createArray(vt, cDims, rgsabound, false);
}

SAFEARRAY* createSafeArrayOver(VARTYPE vt, UINT cDims, const SAFEARRAYBOUND* rgsabound, void* data,
                               std::shared_ptr<void> owner)
{
    if (holdsResources(vt) || !owner)
        return nullptr;
    SAFEARRAY* psa = newHeader(vt, cDims, rgsabound);
    if (!psa)
        return nullptr;
    psa->pvData = data;
    psa->dataOwner = std::move(owner);
    return psa;
}

} // namespace velmora::automation

using namespace velmora::automation;

SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT cDims, const SAFEARRAYBOUND* rgsabound)
{
    return createArray(vt, cDims, rgsabound, true);
}

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements)
{
    const SAFEARRAYBOUND bound{cElements, lLbound};
    return SafeArrayCreate(vt, 1, &bound);
}

HRESULT SafeArrayDestroy(SAFEARRAY* psa)
{
    if (!psa)
        return S_OK;
    if (psa->cLocks > 0)
        return DISP_E_ARRAYISLOCKED;
    if (psa->dataOwner) {
        psa->dataOwner.reset();
    } else if (psa->pvData) {
        clearElements(psa);
        BlockPool::instance().release(psa->pvData, dataBytes(psa));
    }
    delete psa;
    return S_OK;
}

UINT SafeArrayGetDim(SAFEARRAY* psa)
{
    return psa ? psa->cDims : 0;
}

UINT SafeArrayGetElemsize(SAFEARRAY* psa)
{
    return psa ? psa->cbElements : 0;
}

HRESULT SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* vt)
{
    if (!psa || !vt)
        return E_INVALIDARG;
    *vt = psa->vt;
    return S_OK;
}

HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* lbound)
{
    if (!psa || !lbound)
        return E_INVALIDARG;
    if (nDim < 1 || nDim > psa->cDims)
        return DISP_E_BADINDEX;
    *lbound = psa->rgsabound[nDim - 1].lLbound;
    return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* ubound)
{
    if (!psa || !ubound)
        return E_INVALIDARG;
    if (nDim < 1 || nDim > psa->cDims)
        return DISP_E_BADINDEX;
    const SAFEARRAYBOUND& b = psa->rgsabound[nDim - 1];
    *ubound = static_cast<LONG>(static_cast<long long>(b.lLbound) + static_cast<long long>(b.cElements) - 1);
    return S_OK;
}

HRESULT SafeArrayLock(SAFEARRAY* psa)
{
    if (!psa)
        return E_INVALIDARG;
    ++psa->cLocks;
    return S_OK;
}

HRESULT SafeArrayUnlock(SAFEARRAY* psa)
{
    if (!psa)
        return E_INVALIDARG;
    if (psa->cLocks == 0)
        return E_UNEXPECTED;
    --psa->cLocks;
    return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** data)
{
    if (!psa || !data)
        return E_INVALIDARG;
    ++psa->cLocks;
    *data = psa->pvData;
    return S_OK;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* psa)
{
    return SafeArrayUnlock(psa);
}

HRESULT SafeArrayPtrOfIndex(SAFEARRAY* psa, const LONG* rgIndices, void** element)
{
    if (!psa || !rgIndices || !element)
        return E_INVALIDARG;
    std::size_t offset = 0;
    std::size_t stride = 1;
    for (UINT d = 0; d < psa->cDims; ++d) {
        const SAFEARRAYBOUND& b = psa->rgsabound[d];
        const long long i = static_cast<long long>(rgIndices[d]) - b.lLbound;
        if (i < 0 || i >= static_cast<long long>(b.cElements))
            return DISP_E_BADINDEX;
        offset += static_cast<std::size_t>(i) * stride;
        stride *= b.cElements;
    }
    *element = static_cast<char*>(psa->pvData) + offset * psa->cbElements;
    return S_OK;
}

HRESULT SafeArrayGetElement(SAFEARRAY* psa, const LONG* rgIndices, void* value)
{
    void* element = nullptr;
    HRESULT hr = SafeArrayPtrOfIndex(psa, rgIndices, &element);
    if (FAILED(hr))
        return hr;
    if (!value)
        return E_INVALIDARG;
    if (psa->vt == VT_BSTR) {
        const BSTR source = *static_cast<BSTR*>(element);
        BSTR copy = source ? SysAllocStringLen(source, SysStringLen(source)) : nullptr;
        if (source && !copy)
            return E_OUTOFMEMORY;
        *static_cast<BSTR*>(value) = copy;
        return S_OK;
    }
    if (psa->vt == VT_VARIANT) {
        auto* out = static_cast<VARIANT*>(value);
        VariantInit(out);
        return VariantCopy(out, static_cast<VARIANT*>(element));
    }
    std::memcpy(value, element, psa->cbElements);
    return S_OK;
}

HRESULT SafeArrayPutElement(SAFEARRAY* psa, const LONG* rgIndices, const void* value)
{
    void* element = nullptr;
    HRESULT hr = SafeArrayPtrOfIndex(psa, rgIndices, &element);
    if (FAILED(hr))
        return hr;
    if (psa->vt == VT_BSTR) {
        const auto source = static_cast<BSTR>(const_cast<void*>(value));
        BSTR copy = source ? SysAllocStringLen(source, SysStringLen(source)) : nullptr;
        if (source && !copy)
            return E_OUTOFMEMORY;
        SysFreeString(*static_cast<BSTR*>(element));
        *static_cast<BSTR*>(element) = copy;
        return S_OK;
    }
    if (!value)
        return E_INVALIDARG;
    if (psa->vt == VT_VARIANT)
        return VariantCopy(static_cast<VARIANT*>(element), static_cast<const VARIANT*>(value));
    std::memcpy(element, value, psa->cbElements);
    return S_OK;
}

HRESULT SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** copy)
{
    if (!copy)
        return E_INVALIDARG;
    *copy = nullptr;
    if (!psa)
        return S_OK;
    SAFEARRAY* result = createArray(psa->vt, psa->cDims, psa->rgsabound, holdsResources(psa->vt));
    if (!result)
        return E_OUTOFMEMORY;
    const HRESULT hr = copyElements(psa, result);
    if (FAILED(hr)) {
        SafeArrayDestroy(result);
        return hr;
    }
    *copy = result;
    return S_OK;
}
