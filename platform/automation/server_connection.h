#pragma once
// One client's connection to this local server: reads its messages on the server's
// loop, executes them in arrival order, holds the objects and class locks the client
// owns, and releases them all when the connection ends.
//
// What a connection buffers is bounded: a message is read straight into memory of its
// announced size, charged (with the messages waiting to run) against a bound per
// connection and one total across all connections; a message beyond either ends its
// connection. A reply the client does not take within a short stall ends it too, and
// so does a call whose object went away. A call deferred by its member (a device
// exchange, deferred_call.h) runs while the connection goes on with messages for
// other objects; those for the same object wait for it.

#include "platform/automation/bulk_buffer.h"
#include "platform/automation/class_factory.h"
#include "platform/automation/com_ptr.h"
#include "platform/automation/deferred_call.h"
#include "platform/automation/executor.h"
#include "platform/automation/window_messages.h"
#include "platform/automation/wire_reader.h"
#include "platform/automation/wire_writer.h"

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <set>
#include <unordered_map>
#include <vector>

namespace velmora::automation {

class ServerConnection : public std::enable_shared_from_this<ServerConnection> {
public:
    using Clock = std::chrono::steady_clock;
    using Now = Clock::time_point (*)();
    using ClassLookup = std::function<HRESULT(REFCLSID clsid, ComPtr<IClassFactory>& factory)>;
    using ClosedHandler = std::function<void(ServerConnection*)>;

    // How long a reply may wait for room in the client's socket.
    static constexpr std::chrono::milliseconds kSendStall{1000};
    // How long a window message sent back during a call waits for its answer.
    static constexpr std::chrono::milliseconds kSendMessageTimeout{2000};
    // Buffered bytes of one connection, and of all of them.
    static constexpr std::size_t kMaxConnectionBytes = wire::kMaxMessageBytes;
    static constexpr std::size_t kMaxTotalBytes = std::size_t(1) << 30;

    // Takes the accepted socket. classLookup finds a published class (or says why
    // not); onClosed runs once when the connection ends; `now` tells the time of
    // its last activity.
    ServerConnection(int fd, Executor& executor, ClassLookup classLookup, ClosedHandler onClosed,
                     Now now = &Clock::now);
    ~ServerConnection();
    ServerConnection(const ServerConnection&) = delete;
    ServerConnection& operator=(const ServerConnection&) = delete;

    void start();
    Executor& executor() const { return m_executor; }
    // Ends the connection and releases everything the client held.
    void close();
    // Waits until no deferred call of this connection is still working (each is
    // bounded by its device), for a loop that is about to stop.
    void awaitDeferredWork();

    // Holds no object, no class lock and no call, and has nothing waiting to run.
    bool holdsNothing() const;
    Clock::time_point lastActivity() const { return m_lastActivity; }
    // Bytes buffered by all connections of this process.
    static std::size_t totalBufferedBytes();

private:
    struct Message {
        wire::Tag tag;
        std::unique_ptr<std::uint8_t[]> body;
        std::size_t size = 0;
        std::span<const std::uint8_t> bytes() const { return {body.get(), size}; }
    };
    struct DeferredCall;
    class CallRoute;
    class ReplyHooks;
    enum class Received { Open, Ended, Broken };

    void onReadable();
    Received receive();
    bool startMessage();
    void finishMessage();
    bool reserve(std::size_t bytes);
    void unreserve(std::size_t bytes);
    void drain();
    std::deque<Message>::iterator nextRunnable();
    bool execute(const Message& message);
    bool createInstance(wire::WireReader& reader);
    bool getIdsOfNames(wire::WireReader& reader);
    bool invoke(wire::WireReader& reader);
    void startDeferred(std::uint32_t callId, std::uint32_t objectId, ComPtr<IDispatch> object,
                       bool wantResult, bool wantException, std::unique_ptr<DeferredParts> parts);
    static void runDeferredWork(DeferredCall& call);
    void completeDeferred(const std::shared_ptr<DeferredCall>& call);
    bool sendInvokeReply(std::uint32_t callId, HRESULT hr, UINT argError, const EXCEPINFO* exception,
                         const VARIANT* result);
    bool releaseObject(wire::WireReader& reader);
    bool lockServer(wire::WireReader& reader);
    // Sends a message; a failure closes the connection.
    bool transmit(wire::WireWriter& writer);
    bool sendReplyOrClose(wire::WireWriter& writer);
    ComPtr<IDispatch> findObject(std::uint32_t id) const;
    HRESULT addObject(IDispatch* object, std::uint32_t& id);
    LRESULT sendMessageDuringCall(std::uint32_t callId, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    bool takeMessageReply(std::uint32_t messageId, LRESULT& result, bool& malformed);

    int m_fd;
    Executor& m_executor;
    ClassLookup m_classLookup;
    ClosedHandler m_onClosed;
    Now m_now;
    Clock::time_point m_lastActivity;
    bool m_closed = false;
    // The message being read: its header, then its body.
    std::uint8_t m_header[wire::kHeaderBytes] = {};
    std::size_t m_headerFilled = 0;
    Message m_incoming;
    std::size_t m_bodyFilled = 0;
    bool m_readingBody = false;
    std::size_t m_bufferedBytes = 0; // reserved for m_incoming and m_queue
    std::deque<Message> m_queue;
    int m_executing = 0;
    std::unordered_map<std::uint32_t, ComPtr<IDispatch>> m_objects;
    std::uint32_t m_nextObject = 1;
    std::vector<ComPtr<IClassFactory>> m_locks;
    std::vector<CLSID> m_lockClasses;
    std::set<std::uint32_t> m_busyObjects; // with a deferred call running
    std::vector<std::shared_ptr<DeferredCall>> m_deferred;
    BulkSender m_bulk;
    std::uint32_t m_nextMessage = 1;
};

} // namespace velmora::automation
