#include "platform/automation/in_process_class.h"

#include "platform/automation/class_registry.h"
#include "platform/automation/class_table.h"

namespace velmora::automation {

InProcessClass::InProcessClass(std::string progId, const CLSID& clsid, CreateFunction create)
    : m_progId(std::move(progId)), m_clsid(clsid)
{
    // Registered directly (not through CoRegisterClassObject) so that it works on
    // threads that have not initialised the runtime yet.
    ComPtr<IClassFactory> factory = makeObject<ClassFactory>(std::move(create));
    m_cookie = ClassTable::instance().add(clsid, factory, CLSCTX_INPROC_SERVER);
    if (!m_progId.empty())
        ClassTable::instance().addProgId(m_progId, clsid);
    m_status = S_OK;
}

InProcessClass::~InProcessClass()
{
    if (!m_progId.empty())
        ClassTable::instance().removeProgId(m_progId);
    ClassTable::instance().remove(m_cookie);
}

} // namespace velmora::automation
