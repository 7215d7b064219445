#pragma once
// Runs a parsed velmora-call script: creates the object, performs the steps in order,
// prints one line per step, stops at the first failing step, and writes the dump.

#include "tools/call/call_script.h"

#include "platform/automation/com_ptr.h"
#include "platform/automation/dispatch.h"

#include <ostream>

namespace velmora::tools {

class CallRunner {
public:
    CallRunner(std::ostream& out, std::ostream& err) : m_out(out), m_err(err) {}

    // 0 when every step succeeded, 1 otherwise.
    int run(const CallScript& script);

private:
    bool runStep(const Step& step);
    bool waitTrue(const Step& step);
    void keepArray(const VARIANT& value);
    bool writeDump(const std::string& file);
    bool report(const std::string& name, HRESULT hr, const EXCEPINFO* exception);

    std::ostream& m_out;
    std::ostream& m_err;
    automation::ComPtr<IDispatch> m_object;
    automation::Variant m_lastArray;
};

} // namespace velmora::tools
