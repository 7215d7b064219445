#include "platform/automation/class_factory_proxy.h"

#include "platform/automation/client_connection.h"
#include "platform/automation/dispatch_proxy.h"

namespace velmora::automation {

HRESULT createProxyInstance(const std::shared_ptr<ClientConnection>& connection, REFCLSID clsid, REFIID iid,
                            void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IDispatch)
        return E_NOINTERFACE;
    std::uint32_t id = 0;
    const HRESULT hr = connection->createInstance(clsid, id);
    if (FAILED(hr))
        return hr;
    *object = static_cast<IDispatch*>(makeObject<DispatchProxy>(connection, id).detach());
    return S_OK;
}

ClassFactoryProxy::ClassFactoryProxy(std::shared_ptr<ClientConnection> connection, const CLSID& clsid)
    : m_connection(std::move(connection)), m_clsid(clsid)
{
}

HRESULT ClassFactoryProxy::CreateInstance(IUnknown* outer, REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    return createProxyInstance(m_connection, m_clsid, iid, object);
}

HRESULT ClassFactoryProxy::LockServer(BOOL lock)
{
    return m_connection->lockServer(m_clsid, lock != 0);
}

} // namespace velmora::automation
