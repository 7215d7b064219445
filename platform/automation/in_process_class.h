#pragma once
// InProcessClass: an automation class served inside this process, reachable by
// CLSIDFromProgID and CoCreateInstance(CLSCTX_INPROC_SERVER) for as long as the
// object lives. The "DriverHelper.Chooser" dialog and the fake drivers of tests
// register themselves this way:
//
//   InProcessClass chooser("DriverHelper.Chooser", CLSID_Chooser, creatorFor<Chooser>());
//
// The ProgID takes precedence over the registry's in this process.

#include "platform/automation/class_factory.h"

#include <string>

namespace velmora::automation {

class InProcessClass {
public:
    InProcessClass(std::string progId, const CLSID& clsid, CreateFunction create);
    ~InProcessClass();
    InProcessClass(const InProcessClass&) = delete;
    InProcessClass& operator=(const InProcessClass&) = delete;

    // S_OK when registered.
    HRESULT status() const { return m_status; }
    const CLSID& clsid() const { return m_clsid; }

private:
    std::string m_progId;
    CLSID m_clsid;
    DWORD m_cookie = 0;
    HRESULT m_status = E_FAIL;
};

} // namespace velmora::automation
