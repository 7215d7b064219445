#include "client/focusing/fake_focuser.h"

#include "platform/automation/dispatch_object.h"

#include <atomic>

namespace velmora::client::fakes {

std::optional<int> ScriptedFocuser::position()
{
    if (failPositionReads > 0) {
        --failPositionReads;
        return std::nullopt;
    }
    return motor;
}

std::optional<bool> ScriptedFocuser::isMoving()
{
    if (failMovingReads > 0) {
        --failMovingReads;
        return std::nullopt;
    }
    if (movingLeft > 0) {
        --movingLeft;
        return true;
    }
    return false;
}

void ScriptedFocuser::move(int target)
{
    movedWhileMoving = movedWhileMoving || movingLeft > 0;
    moves.push_back(target);
    motor = target;
    movingLeft = movingReads;
    if (onMove)
        onMove(target);
}

namespace {

using automation::DispatchArgs;
using automation::Variant;

std::atomic<unsigned> g_classNumber{0};

class FakeFocuser : public automation::DispatchObject<FakeFocuser> {
public:
    explicit FakeFocuser(FakeFocuserScript* script) : m_script(script) {}
    static const automation::DispatchTable<FakeFocuser>& dispatchTable();

private:
    ScriptedFocuser& focuser() { return m_script->focuser; }

    template <typename T> static HRESULT answer(const std::optional<T>& value, VARIANT* out)
    {
        if (!value)
            return E_FAIL;
        if constexpr (std::is_same_v<T, bool>)
            *out = Variant::boolean(*value).detach();
        else if constexpr (std::is_same_v<T, double>)
            *out = Variant::r8(*value).detach();
        else
            *out = Variant::i4(*value).detach();
        return S_OK;
    }

    FakeFocuserScript* m_script;
};

const automation::DispatchTable<FakeFocuser>& FakeFocuser::dispatchTable()
{
    static const auto table = [] {
        automation::DispatchTable<FakeFocuser> t;
        t.get("Link", 1, VT_BOOL, [](FakeFocuser& self, DispatchArgs, VARIANT* out) {
            *out = Variant::boolean(self.m_script->link).detach();
            return S_OK;
        });
        t.put("Link", 1, VT_VARIANT, [](FakeFocuser& self, DispatchArgs args, VARIANT*) {
            self.m_script->link = args[0].iVal != 0;
            return S_OK;
        });
        t.get("Position", 2, VT_I4, [](FakeFocuser& self, DispatchArgs, VARIANT* out) {
            return answer(self.focuser().position(), out);
        });
        t.get("IsMoving", 3, VT_BOOL, [](FakeFocuser& self, DispatchArgs, VARIANT* out) {
            return answer(self.focuser().isMoving(), out);
        });
        t.get("MaxStep", 4, VT_I4, [](FakeFocuser& self, DispatchArgs, VARIANT* out) {
            return answer(self.focuser().maxStep(), out);
        });
        t.get("MaxIncrement", 5, VT_I4, [](FakeFocuser& self, DispatchArgs, VARIANT* out) {
            return answer(self.focuser().maxIncrement(), out);
        });
        t.get("StepSize", 6, VT_R8, [](FakeFocuser& self, DispatchArgs, VARIANT* out) {
            return answer(self.focuser().stepSize(), out);
        });
        t.method("Move", 7, {{"Position", VT_VARIANT}}, {},
                 [](FakeFocuser& self, DispatchArgs args, VARIANT*) {
                     self.m_script->moveArgumentTypes.push_back(args[0].vt);
                     self.focuser().move(args[0].vt == VT_I4 ? args[0].lVal : -1);
                     return S_OK;
                 });
        return t;
    }();
    return table;
}

} // namespace

std::unique_ptr<automation::InProcessClass> registerFakeFocuser(const std::string& progId,
                                                                FakeFocuserScript* script)
{
    const unsigned n = g_classNumber++;
    const GUID clsid{0x7E1F0000u + n, 0x4321, 0x8765, {2, 4, 6, 8, 10, 12, 14, 16}};
    return std::make_unique<automation::InProcessClass>(progId, clsid,
                                                        automation::creatorFor<FakeFocuser>(script));
}

} // namespace velmora::client::fakes
