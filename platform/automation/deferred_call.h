#pragma once
// Members that wait on a device without holding up their server's loop.
//
// A member handler of an object that a local server serves to other processes may
// hand its slow part to deferCall: `work` then runs on a thread of its own while the
// loop goes on serving other calls (further calls to the same object wait their
// turn), and `finish` runs on the loop's thread afterwards and gives the call its
// outcome, as a handler would (the result, or error info and a failure code). The
// object stays alive until then, and nothing else touches it meanwhile.
//
// Called in-process, inside another served call on the same thread (a setup dialog's
// nested loop), or with many calls deferred already, both parts simply run at once,
// in order, on the calling thread.

#include "platform/automation/dispatch.h"

#include <functional>
#include <memory>

namespace velmora::automation {

using DeferredWork = std::function<void()>;
using DeferredFinish = std::function<HRESULT(VARIANT* result)>;

// What the handler returns; `result` is the handler's own, which `finish` fills when
// both parts run at once.
HRESULT deferCall(VARIANT* result, DeferredWork work, DeferredFinish finish);

// The parts of one deferred call, for the transport that serves it.
struct DeferredParts {
    DeferredWork work;
    DeferredFinish finish;
    // Set by the dispatch table: runs `finish` and turns its outcome into Invoke's.
    std::function<HRESULT(VARIANT* result, EXCEPINFO* exception)> complete;
};

// Invoke's answer when the call was deferred (a success code nobody else uses).
constexpr HRESULT kCallDeferred = static_cast<HRESULT>(0x00040F01u);

// Set by the transport around the dispatch of one served call: deferCall may defer
// only inside one, and only in the outermost served call of the thread.
class DeferralScope {
public:
    explicit DeferralScope(bool mayDefer);
    ~DeferralScope();
    DeferralScope(const DeferralScope&) = delete;
    DeferralScope& operator=(const DeferralScope&) = delete;

    // The deferred parts after Invoke answered kCallDeferred.
    std::unique_ptr<DeferredParts> take();
    // The scope of the call running on this thread, if any.
    static DeferralScope* current();
    // The parts deferCall just stored in this scope, for the dispatch table to complete.
    DeferredParts* pending() { return m_parts.get(); }
    // Whether a served call is running on this thread now.
    static bool insideServedCall();

private:
    friend HRESULT deferCall(VARIANT* result, DeferredWork work, DeferredFinish finish);
    bool m_mayDefer;
    DeferralScope* m_outer;
    std::unique_ptr<DeferredParts> m_parts;
};

} // namespace velmora::automation
