#include "client/devices/fake_telescope.h"

#include "platform/automation/dispatch_object.h"

#include <algorithm>
#include <atomic>

namespace velmora::client::fakes {

namespace {

using automation::DispatchArgs;
using automation::Variant;

std::atomic<unsigned> g_classNumber{0};

int asInt(const VARIANT& value)
{
    return value.vt == VT_I4 ? value.lVal : value.vt == VT_I2 ? value.iVal : -1;
}

class FakeTelescope : public automation::DispatchObject<FakeTelescope> {
public:
    explicit FakeTelescope(FakeTelescopeScript* script) : m_script(script) {}
    static const automation::DispatchTable<FakeTelescope>& dispatchTable();

private:
    HRESULT pulseGuide(DispatchArgs args)
    {
        FakeTelescopeScript& s = *m_script;
        const PulseCall call{args[0].vt, args[1].vt, asInt(args[0]), asInt(args[1]),
                             std::this_thread::get_id()};
        {
            std::lock_guard guard(s.lock);
            s.calls.push_back(call);
            s.mostConcurrentCalls = std::max(s.mostConcurrentCalls, ++s.concurrentCalls);
        }
        if (s.onPulse)
            s.onPulse(call);
        std::lock_guard guard(s.lock);
        --s.concurrentCalls;
        return S_OK;
    }

    FakeTelescopeScript* m_script;
};

const automation::DispatchTable<FakeTelescope>& FakeTelescope::dispatchTable()
{
    static const auto table = [] {
        automation::DispatchTable<FakeTelescope> t;
        t.get("Connected", 1, VT_BOOL, [](FakeTelescope& self, DispatchArgs, VARIANT* out) {
            std::lock_guard guard(self.m_script->lock);
            *out = Variant::boolean(self.m_script->connected).detach();
            return S_OK;
        });
        t.put("Connected", 1, VT_VARIANT, [](FakeTelescope& self, DispatchArgs args, VARIANT*) {
            std::lock_guard guard(self.m_script->lock);
            self.m_script->connected = args[0].iVal != 0;
            return S_OK;
        });
        t.method("PulseGuide", 2, {{"Direction", VT_VARIANT}, {"Duration", VT_VARIANT}}, {},
                 [](FakeTelescope& self, DispatchArgs args, VARIANT*) { return self.pulseGuide(args); });
        return t;
    }();
    return table;
}

} // namespace

std::unique_ptr<automation::InProcessClass> registerFakeTelescope(const std::string& progId,
                                                                  FakeTelescopeScript* script)
{
    const unsigned n = g_classNumber++;
    const GUID clsid{0x7E1E0000u + n, 0x4321, 0x8765, {1, 3, 5, 7, 9, 11, 13, 15}};
    return std::make_unique<automation::InProcessClass>(progId, clsid,
                                                        automation::creatorFor<FakeTelescope>(script));
}

} // namespace velmora::client::fakes
