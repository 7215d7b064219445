#pragma once
// The client's stand-in for a local server's class object (CoGetClassObject).

#include "platform/automation/class_factory.h"

#include <atomic>
#include <memory>

namespace velmora::automation {

class ClientConnection;

class ClassFactoryProxy final : public CountedClassFactory {
public:
    ClassFactoryProxy(std::shared_ptr<ClientConnection> connection, const CLSID& clsid);

    HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    HRESULT LockServer(BOOL lock) override;

private:
    ~ClassFactoryProxy() override = default;
    std::shared_ptr<ClientConnection> m_connection;
    CLSID m_clsid;
};

// A proxy for a new object of clsid made through the connection.
HRESULT createProxyInstance(const std::shared_ptr<ClientConnection>& connection, REFCLSID clsid, REFIID iid,
                            void** object);

} // namespace velmora::automation
