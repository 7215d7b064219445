#include "platform/automation/dispatch_proxy.h"

#include "platform/automation/client_connection.h"
#include "platform/automation/dispatch_table.h"

namespace velmora::automation {

DispatchProxy::DispatchProxy(std::shared_ptr<ClientConnection> connection, std::uint32_t objectId)
    : m_connection(std::move(connection)), m_objectId(objectId)
{
}

DispatchProxy::~DispatchProxy()
{
    m_connection->release(m_objectId);
}

HRESULT DispatchProxy::QueryInterface(REFIID iid, void** object)
{
    const bool known = iid == IID_IUnknown || iid == IID_IDispatch;
    return handOut(object, known ? static_cast<IDispatch*>(this) : nullptr);
}

HRESULT DispatchProxy::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids)
{
    const HRESULT hr = m_connection->getIdsOfNames(m_objectId, riid, names, count, lcid, ids);
    if (SUCCEEDED(hr) && count > 0 && names && names[0] && sameMemberName(names[0], u"SetupDialog"))
        m_setupDialog = ids[0];
    return hr;
}

HRESULT DispatchProxy::Invoke(DISPID member, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                              VARIANT* result, EXCEPINFO* exception, UINT* argError)
{
    const bool withoutDeadline = member != DISPID_UNKNOWN && member == m_setupDialog.load();
    return m_connection->invoke(m_objectId, member, riid, lcid, flags, params, result, exception, argError,
                                withoutDeadline);
}

} // namespace velmora::automation
