// ServerConnection: Invoke and the window messages sent back during a call.
#include "platform/automation/server_connection.h"

#include "platform/automation/dispatch_table.h"
#include "platform/automation/error_info.h"
#include "platform/automation/exception_guard.h"
#include "platform/automation/server_connection_parts.h"
#include "platform/automation/variant_codec.h"

#include <poll.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

namespace velmora::automation {

namespace {

// Deferred calls at once in the process (one thread each); beyond it calls run inline.
constexpr int kMaxDeferredCalls = 32;
std::atomic<int> g_deferredCalls{0};

struct InvokeRequest {
    std::uint32_t callId = 0;
    std::uint32_t objectId = 0;
    DISPID dispid = 0;
    IID riid;
    std::uint32_t lcid = 0;
    std::uint16_t flags = 0;
    bool wantResult = false;
    bool wantException = false;
    std::vector<DISPID> named;
};

bool readInvokeHeader(wire::WireReader& r, InvokeRequest& q)
{
    std::uint8_t wantResult = 0, wantException = 0;
    if (!r.u32(q.callId) || !r.u32(q.objectId) || !r.i32(q.dispid) || !r.guid(q.riid) || !r.u32(q.lcid) ||
        !r.u16(q.flags) || !r.u8(wantResult) || !r.u8(wantException) || wantResult > 1 || wantException > 1)
        return false;
    q.wantResult = wantResult == 1;
    q.wantException = wantException == 1;
    return true;
}

bool readNamed(wire::WireReader& r, std::uint32_t argCount, std::vector<DISPID>& named)
{
    std::uint32_t count = 0;
    if (!r.u32(count) || count > argCount)
        return false;
    named.resize(count);
    for (DISPID& id : named) {
        if (!r.i32(id))
            return false;
    }
    return r.complete();
}

// Invoke's answer for a call whose object threw: DISP_E_EXCEPTION with the failure
// in the exception record when the caller wants one, else the failure code itself.
HRESULT failureOfThrowingCall(EXCEPINFO* exception)
{
    const HRESULT code = reportCurrentException();
    if (!exception) {
        SetErrorInfo(0, nullptr);
        return code;
    }
    takeErrorInfoInto(*exception, code);
    return DISP_E_EXCEPTION;
}

// The same for a deferred call's work that threw on its own thread: the code and the
// description travel to the loop, where the answer is made.
HRESULT failureOfThrownWork(HRESULT code, const std::string& description, EXCEPINFO* exception)
{
    if (!exception)
        return code;
    reportError(IID_NULL, {}, description);
    takeErrorInfoInto(*exception, code);
    return DISP_E_EXCEPTION;
}

void writeException(wire::WireWriter& w, const EXCEPINFO& e)
{
    w.u16(e.wCode);
    w.string(e.bstrSource);
    w.string(e.bstrDescription);
    w.string(e.bstrHelpFile);
    w.u32(e.dwHelpContext);
    w.i32(e.scode);
}

} // namespace

bool ServerConnection::invoke(wire::WireReader& reader)
{
    InvokeRequest q;
    std::uint32_t argCount = 0;
    if (!readInvokeHeader(reader, q) || !reader.u32(argCount) || argCount > wire::kMaxArguments)
        return false;
    ArgumentList args;
    args.resize(argCount);
    wire::DecodeHooks noObjects; // clients send values only
    for (std::uint32_t i = 0; i < argCount; ++i) {
        if (!wire::decodeVariant(reader, args[i], noObjects))
            return false;
    }
    if (!readNamed(reader, argCount, q.named))
        return false;

    DISPPARAMS params;
    params.rgvarg = argCount ? &args[0] : nullptr;
    params.cArgs = argCount;
    params.rgdispidNamedArgs = q.named.empty() ? nullptr : q.named.data();
    params.cNamedArgs = static_cast<UINT>(q.named.size());
    Variant result;
    EXCEPINFO exception;
    UINT argError = 0;
    HRESULT hr = RPC_E_INVALID_OBJECT;
    if (const ComPtr<IDispatch> object = findObject(q.objectId)) {
        SetErrorInfo(0, nullptr);
        CallRoute route(*this, q.callId);
        ScopedMessageRoute routing(&route);
        DeferralScope deferral(g_deferredCalls.load() < kMaxDeferredCalls);
        try {
            hr = object->Invoke(q.dispid, q.riid, q.lcid, q.flags, &params,
                                q.wantResult ? result.get() : nullptr, q.wantException ? &exception : nullptr,
                                &argError);
        } catch (...) {
            hr = failureOfThrowingCall(q.wantException ? &exception : nullptr);
        }
        SetErrorInfo(0, nullptr);
        if (hr == kCallDeferred) {
            if (auto parts = deferral.take()) {
                startDeferred(q.callId, q.objectId, object, q.wantResult, q.wantException, std::move(parts));
                return true;
            }
            hr = E_UNEXPECTED;
        }
    }

    const bool sent = sendInvokeReply(q.callId, hr, argError,
                                      q.wantException && hr == DISP_E_EXCEPTION ? &exception : nullptr,
                                      q.wantResult && SUCCEEDED(hr) ? result.get() : nullptr);
    ClearExcepInfo(&exception);
    return sent;
}

bool ServerConnection::sendInvokeReply(std::uint32_t callId, HRESULT hr, UINT argError,
                                       const EXCEPINFO* exception, const VARIANT* result)
{
    ReplyHooks hooks(*this);
    wire::WireWriter writer(wire::Tag::Reply);
    writer.u32(callId);
    writer.u8(static_cast<std::uint8_t>(wire::Tag::Invoke));
    writer.i32(hr);
    writer.u32(argError);
    writer.u8(exception ? 1 : 0);
    if (exception)
        writeException(writer, *exception);
    writer.u8(result ? 1 : 0);
    if (result && FAILED(wire::encodeVariant(writer, *result, hooks))) {
        // The result cannot travel (an interface that is not IDispatch, say).
        return sendInvokeReply(callId, DISP_E_TYPEMISMATCH, 0, nullptr, nullptr);
    }
    writer.setFd(hooks.fd());
    return sendReplyOrClose(writer);
}

struct ServerConnection::DeferredCall {
    std::uint32_t callId = 0;
    std::uint32_t objectId = 0;
    ComPtr<IDispatch> object; // alive until the call completes, whatever the client does
    bool wantResult = false;
    bool wantException = false;
    std::unique_ptr<DeferredParts> parts;
    // Set when the work threw: the call then fails with this code and description.
    HRESULT workFailure = S_OK;
    std::string workFailureText;
    std::promise<void> workDone;
    std::shared_future<void> finished = workDone.get_future().share();
    bool completed = false;
};

void ServerConnection::startDeferred(std::uint32_t callId, std::uint32_t objectId, ComPtr<IDispatch> object,
                                     bool wantResult, bool wantException,
                                     std::unique_ptr<DeferredParts> parts)
{
    auto call = std::make_shared<DeferredCall>();
    call->callId = callId;
    call->objectId = objectId;
    call->object = std::move(object);
    call->wantResult = wantResult;
    call->wantException = wantException;
    call->parts = std::move(parts);
    m_busyObjects.insert(objectId);
    m_deferred.push_back(call);
    ++g_deferredCalls;
    std::weak_ptr<ServerConnection> weak = shared_from_this();
    Executor* executor = &m_executor;
    try {
        std::thread([call, weak, executor] {
            runDeferredWork(*call);
            runGuarded("deferred call", [&] {
                executor->post([call, weak] {
                    if (auto self = weak.lock())
                        self->completeDeferred(call);
                });
            });
            call->workDone.set_value(); // after the post: the loop may stop from here on
        }).detach();
    } catch (...) {
        // No thread to be had: the work runs here after all.
        runDeferredWork(*call);
        call->workDone.set_value();
        completeDeferred(call);
    }
}

void ServerConnection::runDeferredWork(DeferredCall& call)
{
    try {
        if (call.parts->work)
            call.parts->work();
    } catch (...) {
        call.workFailure = failureCodeOfCurrentException();
        try {
            call.workFailureText = describeCurrentException();
        } catch (...) {
        }
    }
}

void ServerConnection::completeDeferred(const std::shared_ptr<DeferredCall>& call)
{
    if (std::exchange(call->completed, true))
        return;
    --g_deferredCalls;
    const auto self = shared_from_this();
    std::erase(m_deferred, call);
    if (!m_closed)
        m_busyObjects.erase(call->objectId);
    Variant result;
    EXCEPINFO exception;
    HRESULT hr = E_UNEXPECTED;
    {
        CallRoute route(*this, call->callId);
        ScopedMessageRoute routing(&route);
        EXCEPINFO* wantedException = call->wantException ? &exception : nullptr;
        if (FAILED(call->workFailure)) {
            hr = failureOfThrownWork(call->workFailure, call->workFailureText, wantedException);
        } else {
            try {
                hr = call->parts->complete
                         ? call->parts->complete(call->wantResult ? result.get() : nullptr, wantedException)
                         : E_UNEXPECTED;
            } catch (...) {
                result.put(); // whatever the failed completion left
                hr = failureOfThrowingCall(wantedException);
            }
        }
        SetErrorInfo(0, nullptr);
    }
    if (!m_closed)
        sendInvokeReply(call->callId, hr, 0,
                        call->wantException && hr == DISP_E_EXCEPTION ? &exception : nullptr,
                        call->wantResult && SUCCEEDED(hr) ? result.get() : nullptr);
    ClearExcepInfo(&exception);
    call->parts.reset();
    call->object.reset(); // may end the server, once its reply is out
    drain();
}

void ServerConnection::awaitDeferredWork()
{
    const auto calls = m_deferred;
    for (const auto& call : calls) {
        call->finished.wait();
        completeDeferred(call);
    }
}

bool ServerConnection::takeMessageReply(std::uint32_t messageId, LRESULT& result, bool& malformed)
{
    for (auto it = m_queue.begin(); it != m_queue.end(); ++it) {
        if (it->tag != wire::Tag::MessageReply)
            continue;
        wire::WireReader reader(it->bytes());
        std::uint32_t id = 0;
        std::int64_t value = 0;
        if (!reader.u32(id) || !reader.i64(value) || !reader.complete()) {
            malformed = true;
            return false;
        }
        if (id == messageId) {
            unreserve(it->size);
            m_queue.erase(it);
            result = value;
            return true;
        }
    }
    return false;
}

LRESULT ServerConnection::sendMessageDuringCall(std::uint32_t callId, HWND hwnd, UINT msg, WPARAM wParam,
                                                LPARAM lParam)
{
    if (m_closed)
        return 0;
    const auto self = shared_from_this();
    const std::uint32_t messageId = m_nextMessage++;
    wire::WireWriter writer(wire::Tag::SendMessage);
    writer.u32(callId);
    writer.u32(messageId);
    writer.u64(static_cast<std::uint64_t>(hwnd));
    writer.u32(msg);
    writer.u64(wParam);
    writer.i64(lParam);
    ReplyHooks hooks(*this);
    const auto* data = msg == WM_COPYDATA ? reinterpret_cast<const COPYDATASTRUCT*>(lParam) : nullptr;
    writer.u8(data ? 1 : 0);
    if (data) {
        writer.u64(data->dwData);
        wire::encodeBlob(writer, data->lpData, data->lpData ? data->cbData : 0, hooks);
    }
    writer.setFd(hooks.fd());
    if (!transmit(writer))
        return 0;
    // Wait for the answer on this connection only; anything else that arrives meanwhile
    // is queued and runs after the current call.
    const auto deadline = std::chrono::steady_clock::now() + kSendMessageTimeout;
    for (;;) {
        LRESULT result = 0;
        bool malformed = false;
        if (takeMessageReply(messageId, result, malformed))
            return result;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (malformed || m_closed || left.count() <= 0) {
            if (malformed)
                close();
            return 0;
        }
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0)
            continue;
        if (receive() != Received::Open) {
            if (takeMessageReply(messageId, result, malformed))
                return result;
            close();
            return 0;
        }
    }
}

} // namespace velmora::automation
