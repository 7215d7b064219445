#include "tools/call/call_runner.h"

#include "tools/call/value_format.h"

#include "platform/automation/class_registry.h"
#include "platform/automation/dispatch_calls.h"
#include "platform/automation/safe_array.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <thread>

namespace velmora::tools {

using automation::Variant;

namespace {

constexpr HRESULT kTimedOut = HRESULT_FROM_WIN32(1460); // ERROR_TIMEOUT
constexpr std::chrono::milliseconds kPollInterval{20};

// Element i of an array as a variant that borrows its value (never cleared).
VARIANT elementAt(const SAFEARRAY* psa, std::size_t i)
{
    const char* at = static_cast<const char*>(psa->pvData) + i * psa->cbElements;
    if (psa->vt == VT_VARIANT)
        return *reinterpret_cast<const VARIANT*>(at);
    VARIANT v;
    VariantInit(&v);
    v.vt = psa->vt;
    std::memcpy(&v.llVal, at, psa->cbElements);
    return v;
}

bool isTrue(const VARIANT& value)
{
    Variant flag;
    return SUCCEEDED(VariantChangeType(flag.get(), &value, 0, VT_BOOL)) && flag->boolVal != VARIANT_FALSE;
}

} // namespace

bool CallRunner::report(const std::string& name, HRESULT hr, const EXCEPINFO* exception)
{
    if (SUCCEEDED(hr))
        return true;
    std::string description = automation::hresultMessage(hr);
    if (hr == DISP_E_EXCEPTION && exception && exception->bstrDescription)
        description = automation::bstrToUtf8(exception->bstrDescription);
    char code[16];
    std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(hr));
    m_out << name << ": error " << code << " \"" << description << "\"\n";
    return false;
}

void CallRunner::keepArray(const VARIANT& value)
{
    if (value.vt & VT_ARRAY)
        VariantCopy(m_lastArray.get(), &value);
}

bool CallRunner::waitTrue(const Step& step)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(step.milliseconds);
    for (;;) {
        Variant value;
        EXCEPINFO exception;
        const HRESULT hr = automation::getProperty(m_object.get(), step.member, value.get(), &exception);
        const bool ok = report(step.member, hr, &exception);
        ClearExcepInfo(&exception);
        if (!ok)
            return false;
        if (isTrue(*value.get())) {
            m_out << step.member << " = true\n";
            return true;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline)
            return report(step.member, kTimedOut, nullptr);
        std::this_thread::sleep_for(
            std::min<std::chrono::steady_clock::duration>(kPollInterval, deadline - now));
    }
}

bool CallRunner::runStep(const Step& step)
{
    if (step.kind == StepKind::Sleep) {
        std::this_thread::sleep_for(std::chrono::milliseconds(step.milliseconds));
        m_out << "sleep = " << step.milliseconds << "\n";
        return true;
    }
    const std::string name = step.kind == StepKind::Release ? "release" : step.member;
    if (!m_object)
        return report(name, E_POINTER, nullptr);
    if (step.kind == StepKind::Release) {
        m_object.reset();
        m_out << "release = ok\n";
        return true;
    }
    if (step.kind == StepKind::WaitTrue)
        return waitTrue(step);
    Variant result;
    EXCEPINFO exception;
    HRESULT hr = S_OK;
    if (step.kind == StepKind::Get) {
        hr = automation::getProperty(m_object.get(), step.member, result.get(), &exception);
    } else if (step.kind == StepKind::Put) {
        hr = automation::putProperty(m_object.get(), step.member, *step.values.front().get(), &exception);
        VariantCopy(result.get(), step.values.front().get());
    } else {
        std::vector<VARIANT> args;
        for (const Variant& v : step.values)
            args.push_back(*v.get());
        hr = automation::callMethod(m_object.get(), step.member, args, result.get(), &exception);
    }
    const bool ok = report(name, hr, &exception);
    ClearExcepInfo(&exception);
    if (ok) {
        keepArray(*result.get());
        m_out << name << " = " << formatValue(*result.get()) << "\n";
    }
    return ok;
}

bool CallRunner::writeDump(const std::string& file)
{
    if (!(m_lastArray->vt & VT_ARRAY)) {
        m_err << "velmora-call: no array to dump\n";
        return false;
    }
    const SAFEARRAY* psa = m_lastArray->parray;
    const std::size_t count = automation::safeArrayElementCount(psa);
    std::vector<std::int32_t> values(count);
    for (std::size_t i = 0; i < count; ++i) {
        // Other element types as their 32-bit integer conversion.
        const VARIANT element = elementAt(psa, i);
        Variant converted;
        if (FAILED(VariantChangeType(converted.get(), &element, 0, VT_I4))) {
            m_err << "velmora-call: element " << i << " of the array is not a 32-bit integer\n";
            return false;
        }
        values[i] = converted->lVal;
    }
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(values.data()), static_cast<std::streamsize>(count * 4));
    if (!out) {
        m_err << "velmora-call: cannot write " << file << "\n";
        return false;
    }
    return true;
}

int CallRunner::run(const CallScript& script)
{
    CLSID clsid;
    HRESULT hr = CLSIDFromProgID(automation::utf8ToUtf16(script.progId).c_str(), &clsid);
    if (SUCCEEDED(hr))
        hr = CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_IDispatch, m_object.putVoid());
    if (!report(script.progId, hr, nullptr))
        return 1;
    bool ok = true;
    for (const Step& step : script.steps) {
        if (!(ok = runStep(step)))
            break;
    }
    m_out.flush();
    if (!script.dumpFile.empty() && !writeDump(script.dumpFile))
        ok = false;
    m_object.reset();
    return ok ? 0 : 1;
}

} // namespace velmora::tools
