#pragma once
// The client's stand-in for an object of a local server: IDispatch calls travel over
// the object's connection. Safe to call from several threads at once. Calls wait for
// their reply at most the connection's call time-out, except the member named
// "SetupDialog", which shows a dialog for as long as its user keeps it open.

#include "platform/automation/counted.h"
#include "platform/automation/dispatch.h"

#include <atomic>
#include <memory>

namespace velmora::automation {

class ClientConnection;

class DispatchProxy final : public Counted<IDispatch> {
public:
    DispatchProxy(std::shared_ptr<ClientConnection> connection, std::uint32_t objectId);

    HRESULT QueryInterface(REFIID iid, void** object) override;
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    HRESULT Invoke(DISPID member, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* exception, UINT* argError) override;

private:
    // Tells the server the object is no longer used.
    ~DispatchProxy() override;
    std::shared_ptr<ClientConnection> m_connection;
    std::uint32_t m_objectId;
    std::atomic<DISPID> m_setupDialog{DISPID_UNKNOWN}; // learnt from GetIDsOfNames
};

} // namespace velmora::automation
