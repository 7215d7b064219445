#pragma once
// A client process's connection to one local server, shared by every proxy of that
// server's objects. Calls from several threads run at once: each waits for its own
// reply, and whichever waiting thread is free reads the socket for all of them.
// Window messages the server sends during a call are delivered on that call's
// thread. When the server goes away every call fails with RPC_E_DISCONNECTED.
//
// Every call waits for its reply at most the call time-out (30 s unless set), then
// fails with RPC_E_TIMEOUT; a reply that comes later is dropped. A call may be exempt
// (a setup dialog runs as long as its user keeps it open). The reading of the socket
// keeps its place across calls, so a call that gives up mid-message loses nothing.

#include "platform/automation/bulk_buffer.h"
#include "platform/automation/dispatch.h"
#include "platform/automation/variant_codec.h"
#include "platform/automation/window_messages.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace velmora::automation {

class ClientConnection : public std::enable_shared_from_this<ClientConnection> {
public:
    // A connection to the server listening at socketPath, shared with earlier callers
    // while it works; null when nothing listens there.
    static std::shared_ptr<ClientConnection> obtain(const std::string& socketPath);
    // Drops a broken connection from the shared table.
    static void forget(const std::string& socketPath);
    // How long a call waits for its reply, for every connection (30 s by default).
    static void setCallTimeout(std::chrono::milliseconds timeout);
    static std::chrono::milliseconds callTimeout();

    explicit ClientConnection(int fd);
    ~ClientConnection();
    ClientConnection(const ClientConnection&) = delete;
    ClientConnection& operator=(const ClientConnection&) = delete;

    HRESULT createInstance(REFCLSID clsid, std::uint32_t& objectId);
    HRESULT lockServer(REFCLSID clsid, bool lock);
    HRESULT getIdsOfNames(std::uint32_t objectId, REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                          DISPID* ids);
    // `withoutDeadline`: the call may take as long as it takes (SetupDialog).
    HRESULT invoke(std::uint32_t objectId, DISPID dispid, REFIID riid, LCID lcid, WORD flags,
                   const DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception, UINT* argError,
                   bool withoutDeadline = false);
    // Tells the server the client let go of the object (no reply awaited).
    void release(std::uint32_t objectId);
    bool broken() const { return m_broken.load(); }

private:
    struct Reply {
        HRESULT hr = E_UNEXPECTED;
        std::uint32_t objectId = 0;
        std::vector<DISPID> ids;
        UINT argError = 0;
        bool hasException = false;
        EXCEPINFO exception;
        Variant result;
        bool hasResult = false;
        ~Reply() { ClearExcepInfo(&exception); }
    };
    struct Incoming {
        std::uint32_t messageId = 0;
        HWND hwnd{};
        UINT msg = 0;
        WPARAM wParam = 0;
        LPARAM lParam = 0;
        bool hasData = false;
        ULONG_PTR dwData = 0;
        wire::Blob data;
    };
    struct Pending {
        explicit Pending(wire::Tag r) : request(r) {}
        wire::Tag request;
        bool done = false;
        std::unique_ptr<Reply> reply;
        std::deque<Incoming> messages;
    };
    class Hooks;
    using Clock = std::chrono::steady_clock;
    enum class ReadOutcome { Progress, TimedOut, Broken };

    // Sends the request and waits for its reply until `deadline` (RPC_E_TIMEOUT),
    // or RPC_E_DISCONNECTED when none can come.
    HRESULT call(wire::WireWriter& request, std::uint32_t callId, Pending& pending,
                 Clock::time_point deadline = deadlineFromNow());
    static Clock::time_point deadlineFromNow();
    bool send(wire::WireWriter& message, Clock::time_point deadline = deadlineFromNow());
    // Waits for bytes until `deadline` and takes what came, handling each message
    // completed (only one thread reads at a time).
    ReadOutcome readUntil(Clock::time_point deadline);
    bool startBody();
    bool handleMessage();
    bool decodeReply(wire::WireReader& reader, Hooks& hooks);
    bool decodeSendMessage(wire::WireReader& reader, Hooks& hooks);
    static bool decodeReplyBody(wire::WireReader& reader, wire::Tag request, Reply& reply, Hooks& hooks);
    void deliver(Incoming& message);
    void sendMessageReply(std::uint32_t messageId, LRESULT result);
    void markBroken(); // with m_mutex held

    const int m_fd;
    std::mutex m_writeMutex;
    std::mutex m_mutex; // guards m_pending, m_reading, m_bulk
    std::condition_variable m_changed;
    std::map<std::uint32_t, Pending*> m_pending;
    bool m_reading = false;
    std::atomic<bool> m_broken{false};
    std::atomic<std::uint32_t> m_nextCall{1};
    BulkReceiver m_bulk;
    // The message being read (by whichever thread reads).
    std::uint8_t m_header[wire::kHeaderBytes] = {};
    std::size_t m_headerFilled = 0;
    wire::Header m_incoming;
    std::vector<std::uint8_t> m_body;
    std::size_t m_bodyFilled = 0;
    bool m_readingBody = false;
    std::vector<int> m_incomingFds;
};

} // namespace velmora::automation
