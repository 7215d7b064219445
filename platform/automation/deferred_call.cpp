#include "platform/automation/deferred_call.h"

namespace velmora::automation {

namespace {
thread_local DeferralScope* t_scope = nullptr;
} // namespace

DeferralScope::DeferralScope(bool mayDefer) : m_mayDefer(mayDefer && t_scope == nullptr), m_outer(t_scope)
{
    t_scope = this;
}

DeferralScope::~DeferralScope()
{
    t_scope = m_outer;
}

DeferralScope* DeferralScope::current()
{
    return t_scope;
}

bool DeferralScope::insideServedCall()
{
    return t_scope != nullptr;
}

std::unique_ptr<DeferredParts> DeferralScope::take()
{
    return std::move(m_parts);
}

HRESULT deferCall(VARIANT* result, DeferredWork work, DeferredFinish finish)
{
    DeferralScope* scope = t_scope;
    if (scope && scope->m_mayDefer && !scope->m_parts) {
        scope->m_parts = std::make_unique<DeferredParts>();
        scope->m_parts->work = std::move(work);
        scope->m_parts->finish = std::move(finish);
        return kCallDeferred;
    }
    if (work)
        work();
    return finish ? finish(result) : S_OK;
}

} // namespace velmora::automation
