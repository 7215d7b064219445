// ClientConnection: the requests a proxy makes.
#include "platform/automation/client_connection.h"

namespace velmora::automation {

HRESULT ClientConnection::createInstance(REFCLSID clsid, std::uint32_t& objectId)
{
    const std::uint32_t callId = m_nextCall++;
    wire::WireWriter request(wire::Tag::CreateInstance);
    request.u32(callId);
    request.guid(clsid);
    request.guid(IID_IDispatch);
    Pending pending{wire::Tag::CreateInstance};
    const HRESULT hr = call(request, callId, pending);
    if (SUCCEEDED(hr)) {
        objectId = pending.reply->objectId;
        if (objectId == 0)
            return E_UNEXPECTED;
    }
    return hr;
}

HRESULT ClientConnection::lockServer(REFCLSID clsid, bool lock)
{
    const std::uint32_t callId = m_nextCall++;
    wire::WireWriter request(wire::Tag::LockServer);
    request.u32(callId);
    request.guid(clsid);
    request.u8(lock ? 1 : 0);
    Pending pending{wire::Tag::LockServer};
    return call(request, callId, pending);
}

HRESULT ClientConnection::getIdsOfNames(std::uint32_t objectId, REFIID riid, LPOLESTR* names, UINT count,
                                        LCID lcid, DISPID* ids)
{
    if (!names || !ids || count == 0)
        return E_INVALIDARG;
    if (count > wire::kMaxNames)
        return DISP_E_UNKNOWNNAME;
    for (UINT i = 0; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
        if (!names[i])
            return E_INVALIDARG;
    }
    const std::uint32_t callId = m_nextCall++;
    wire::WireWriter request(wire::Tag::GetIDsOfNames);
    request.u32(callId);
    request.u32(objectId);
    request.guid(riid);
    request.u32(lcid);
    request.u32(count);
    for (UINT i = 0; i < count; ++i)
        request.string(std::u16string_view(names[i]));
    Pending pending{wire::Tag::GetIDsOfNames};
    const HRESULT hr = call(request, callId, pending);
    if (pending.done) {
        for (UINT i = 0; i < count && i < pending.reply->ids.size(); ++i)
            ids[i] = pending.reply->ids[i];
    }
    return hr;
}

HRESULT ClientConnection::invoke(std::uint32_t objectId, DISPID dispid, REFIID riid, LCID lcid, WORD flags,
                                 const DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                 UINT* argError, bool withoutDeadline)
{
    if (!params || (params->cArgs && !params->rgvarg) || params->cNamedArgs > params->cArgs ||
        (params->cNamedArgs && !params->rgdispidNamedArgs))
        return E_INVALIDARG;
    if (params->cArgs > wire::kMaxArguments)
        return DISP_E_BADPARAMCOUNT;
    const std::uint32_t callId = m_nextCall++;
    wire::WireWriter request(wire::Tag::Invoke);
    request.u32(callId);
    request.u32(objectId);
    request.i32(dispid);
    request.guid(riid);
    request.u32(lcid);
    request.u16(flags);
    request.u8(result ? 1 : 0);
    request.u8(exception ? 1 : 0);
    request.u32(params->cArgs);
    wire::EncodeHooks valuesOnly; // objects cannot be passed to a server
    for (UINT i = 0; i < params->cArgs; ++i) {
        const HRESULT hr = wire::encodeVariant(request, params->rgvarg[i], valuesOnly);
        if (FAILED(hr)) {
            if (argError)
                *argError = i;
            return DISP_E_TYPEMISMATCH;
        }
    }
    request.u32(params->cNamedArgs);
    for (UINT i = 0; i < params->cNamedArgs; ++i)
        request.i32(params->rgdispidNamedArgs[i]);

    Pending pending{wire::Tag::Invoke};
    const HRESULT hr =
        call(request, callId, pending, withoutDeadline ? Clock::time_point::max() : deadlineFromNow());
    if (!pending.done)
        return hr;
    Reply& reply = *pending.reply;
    if (argError)
        *argError = reply.argError;
    if (exception && reply.hasException) {
        *exception = reply.exception;
        reply.exception = EXCEPINFO{}; // handed over
    }
    if (result && reply.hasResult) {
        VariantClear(result);
        *result = reply.result.detach();
    }
    return hr;
}

void ClientConnection::release(std::uint32_t objectId)
{
    wire::WireWriter message(wire::Tag::Release);
    message.u32(objectId);
    if (!send(message)) {
        std::lock_guard lock(m_mutex);
        markBroken();
    }
}

} // namespace velmora::automation
