#include "platform/automation/variant_codec.h"

#include "platform/automation/safe_array.h"
#include "platform/automation/variant_internal.h"

#include <cstring>
#include <vector>

namespace velmora::automation::wire {

namespace {

constexpr std::uint8_t kInline = 0;
constexpr std::uint8_t kBulk = 1;

HRESULT encodeValue(WireWriter& w, const VARIANT& v, EncodeHooks& hooks, int depth);

HRESULT encodeArray(WireWriter& w, const SAFEARRAY* psa, EncodeHooks& hooks, int depth)
{
    if (!psa)
        return E_INVALIDARG;
    w.u8(static_cast<std::uint8_t>(psa->cDims));
    for (UINT d = 0; d < psa->cDims; ++d) {
        w.u32(psa->rgsabound[d].cElements);
        w.i32(psa->rgsabound[d].lLbound);
    }
    const std::size_t count = safeArrayElementCount(psa);
    if (psa->vt == VT_BSTR) {
        for (std::size_t i = 0; i < count; ++i)
            w.string(static_cast<BSTR*>(psa->pvData)[i]);
        return S_OK;
    }
    if (psa->vt == VT_VARIANT) {
        for (std::size_t i = 0; i < count; ++i) {
            const HRESULT hr = encodeValue(w, static_cast<VARIANT*>(psa->pvData)[i], hooks, depth + 1);
            if (FAILED(hr))
                return hr;
        }
        return S_OK;
    }
    const std::size_t bytes = count * psa->cbElements;
    BulkRef ref;
    if (bytes >= kBulkThreshold && hooks.placeBulk(psa->pvData, bytes, ref)) {
        w.u8(kBulk);
        w.bulkRef(ref);
    } else {
        w.u8(kInline);
        w.bytes(psa->pvData, bytes);
    }
    return S_OK;
}

HRESULT encodeScalar(WireWriter& w, const VARIANT& v, EncodeHooks& hooks)
{
    switch (v.vt) {
    case VT_EMPTY:
    case VT_NULL:
        return S_OK;
    case VT_UI1:
        w.u8(v.bVal);
        return S_OK;
    case VT_I2:
    case VT_BOOL:
        w.u16(static_cast<std::uint16_t>(v.iVal));
        return S_OK;
    case VT_I4:
    case VT_ERROR:
    case VT_R4:
        w.bytes(&v.lVal, 4);
        return S_OK;
    case VT_I8:
    case VT_R8:
    case VT_DATE:
        w.bytes(&v.llVal, 8);
        return S_OK;
    case VT_BSTR:
        w.string(v.bstrVal);
        return S_OK;
    case VT_DISPATCH: {
        std::uint32_t id = 0;
        if (v.pdispVal) {
            const HRESULT hr = hooks.exportObject(v.pdispVal, id);
            if (FAILED(hr))
                return hr;
        }
        w.u32(id);
        return S_OK;
    }
    default:
        return DISP_E_BADVARTYPE;
    }
}

HRESULT encodeValue(WireWriter& w, const VARIANT& v, EncodeHooks& hooks, int depth)
{
    if (depth > kMaxVariantDepth)
        return DISP_E_TYPEMISMATCH;
    if (!isValidVariantType(v.vt))
        return DISP_E_BADVARTYPE;
    if (v.vt & VT_BYREF) {
        Variant value;
        const HRESULT hr = copyDereferenced(value.get(), &v);
        return FAILED(hr) ? hr : encodeValue(w, *value.get(), hooks, depth);
    }
    if (v.vt == VT_UNKNOWN)
        return DISP_E_TYPEMISMATCH;
    w.u16(v.vt);
    if (v.vt & VT_ARRAY)
        return encodeArray(w, v.parray, hooks, depth);
    return encodeScalar(w, v, hooks);
}

bool decodeValue(WireReader& r, VARIANT& out, DecodeHooks& hooks, int depth);

bool decodeFixedElements(WireReader& r, VARTYPE vt, UINT dims, const SAFEARRAYBOUND* bounds, SAFEARRAY*& psa,
                         DecodeHooks& hooks)
{
    std::size_t count = 1;
    for (UINT d = 0; d < dims; ++d)
        count *= bounds[d].cElements; // bounded below by the size checks
    std::uint8_t storage = 0;
    if (!r.u8(storage))
        return false;
    const std::size_t bytes = count * safeArrayElementSize(vt);
    if (storage == kInline) {
        const std::uint8_t* data = nullptr;
        if (bytes > r.remaining() || !r.bytes(bytes, data) || !r.charge(bytes))
            return false;
        psa = createUninitializedSafeArray(vt, dims, bounds);
        if (psa && bytes > 0)
            std::memcpy(psa->pvData, data, bytes);
        return psa != nullptr;
    }
    BulkRef ref;
    void* data = nullptr;
    std::shared_ptr<void> owner;
    if (storage != kBulk || !r.bulkRef(ref) || ref.size != bytes || !hooks.resolveBulk(ref, data, owner))
        return false;
    psa = createSafeArrayOver(vt, dims, bounds, data, std::move(owner));
    return psa != nullptr;
}

bool decodeArray(WireReader& r, VARTYPE vt, VARIANT& out, DecodeHooks& hooks, int depth)
{
    std::uint8_t dims = 0;
    if (!r.u8(dims) || dims < 1 || dims > kMaxSafeArrayDims)
        return false;
    SAFEARRAYBOUND bounds[kMaxSafeArrayDims];
    std::size_t count = 1;
    for (UINT d = 0; d < dims; ++d) {
        if (!r.u32(bounds[d].cElements) || !r.i32(bounds[d].lLbound))
            return false;
        // Every element takes at least one byte of the message (or of a bulk buffer
        // whose size is checked), so a count beyond 2^30 is malformed.
        if (bounds[d].cElements != 0 && count > (std::size_t(1) << 30) / bounds[d].cElements)
            return false;
        count *= bounds[d].cElements;
    }
    SAFEARRAY* psa = nullptr;
    if (vt == VT_BSTR || vt == VT_VARIANT) {
        // Charged before the array exists: its elements take far more room here than on the wire.
        if (count > r.remaining() / 2 || !r.charge(count * safeArrayElementSize(vt)) ||
            !(psa = SafeArrayCreate(vt, dims, bounds)))
            return false;
        bool ok = true;
        for (std::size_t i = 0; ok && i < count; ++i) {
            if (vt == VT_BSTR) {
                UniqueBstr text;
                ok = r.string(text);
                static_cast<BSTR*>(psa->pvData)[i] = text.release();
            } else {
                ok = decodeValue(r, static_cast<VARIANT*>(psa->pvData)[i], hooks, depth + 1);
            }
        }
        if (!ok) {
            SafeArrayDestroy(psa);
            return false;
        }
    } else if (!decodeFixedElements(r, vt, dims, bounds, psa, hooks)) {
        return false;
    }
    out.vt = static_cast<VARTYPE>(VT_ARRAY | vt);
    out.parray = psa;
    return true;
}

bool decodeScalar(WireReader& r, VARTYPE vt, VARIANT& out, DecodeHooks& hooks)
{
    bool ok = false;
    switch (vt) {
    case VT_EMPTY:
    case VT_NULL:
        ok = true;
        break;
    case VT_UI1:
        ok = r.u8(out.bVal);
        break;
    case VT_I2:
    case VT_BOOL:
        ok = r.u16(reinterpret_cast<std::uint16_t&>(out.iVal));
        break;
    case VT_I4:
    case VT_ERROR:
    case VT_R4:
        ok = r.i32(out.lVal);
        break;
    case VT_I8:
    case VT_R8:
    case VT_DATE:
        ok = r.i64(out.llVal);
        break;
    case VT_BSTR: {
        UniqueBstr text;
        ok = r.string(text);
        out.bstrVal = text.release();
        break;
    }
    case VT_DISPATCH: {
        std::uint32_t id = 0;
        out.pdispVal = nullptr;
        ok = r.u32(id) && (id == 0 || SUCCEEDED(hooks.importObject(id, &out.pdispVal)));
        break;
    }
    default:
        return false;
    }
    if (ok)
        out.vt = vt;
    return ok;
}

bool decodeValue(WireReader& r, VARIANT& out, DecodeHooks& hooks, int depth)
{
    VariantInit(&out);
    std::uint16_t vt = 0;
    if (depth > kMaxVariantDepth || !r.u16(vt) || !isValidVariantType(vt) || (vt & VT_BYREF) ||
        vt == VT_UNKNOWN)
        return false;
    if (vt & VT_ARRAY)
        return decodeArray(r, vt & VT_TYPEMASK, out, hooks, depth);
    return decodeScalar(r, vt, out, hooks);
}

} // namespace

HRESULT encodeVariant(WireWriter& writer, const VARIANT& v, EncodeHooks& hooks)
{
    return encodeValue(writer, v, hooks, 0);
}

bool decodeVariant(WireReader& reader, VARIANT& out, DecodeHooks& hooks)
{
    if (decodeValue(reader, out, hooks, 0))
        return true;
    VariantInit(&out);
    return false;
}

void encodeBlob(WireWriter& writer, const void* data, std::size_t size, EncodeHooks& hooks)
{
    BulkRef ref;
    if (size >= kBulkThreshold && hooks.placeBulk(data, size, ref)) {
        writer.u8(kBulk);
        writer.bulkRef(ref);
        return;
    }
    writer.u8(kInline);
    writer.u32(static_cast<std::uint32_t>(size));
    writer.bytes(data, size);
}

bool decodeBlob(WireReader& reader, Blob& blob, DecodeHooks& hooks)
{
    std::uint8_t storage = 0;
    if (!reader.u8(storage))
        return false;
    if (storage == kInline) {
        std::uint32_t size = 0;
        const std::uint8_t* data = nullptr;
        if (!reader.u32(size) || size > reader.remaining() || !reader.bytes(size, data))
            return false;
        auto copy = std::make_shared<std::vector<std::uint8_t>>(data, data + size);
        blob = Blob{copy->data(), size, copy};
        return true;
    }
    BulkRef ref;
    void* data = nullptr;
    std::shared_ptr<void> owner;
    if (storage != kBulk || !reader.bulkRef(ref) || !hooks.resolveBulk(ref, data, owner))
        return false;
    blob = Blob{data, static_cast<std::size_t>(ref.size), std::move(owner)};
    return true;
}

} // namespace velmora::automation::wire
