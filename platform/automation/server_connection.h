#pragma once
// One client's connection to this local server: reads its messages on the server's
// loop, executes them in arrival order, holds the objects and class locks the client
// owns, and releases them all when the connection ends.

#include "platform/automation/bulk_buffer.h"
#include "platform/automation/class_factory.h"
#include "platform/automation/com_ptr.h"
#include "platform/automation/executor.h"
#include "platform/automation/window_messages.h"
#include "platform/automation/wire_reader.h"
#include "platform/automation/wire_writer.h"

#include <deque>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

namespace velmora::automation {

class ServerConnection : public std::enable_shared_from_this<ServerConnection> {
public:
    using ClassLookup = std::function<HRESULT(REFCLSID clsid, ComPtr<IClassFactory>& factory)>;
    using ClosedHandler = std::function<void(ServerConnection*)>;

    // Takes the accepted socket. classLookup finds a published class (or says why
    // not); onClosed runs once when the connection ends.
    ServerConnection(int fd, Executor& executor, ClassLookup classLookup, ClosedHandler onClosed);
    ~ServerConnection();
    ServerConnection(const ServerConnection&) = delete;
    ServerConnection& operator=(const ServerConnection&) = delete;

    void start();
    Executor& executor() const { return m_executor; }
    // Ends the connection and releases everything the client held.
    void close();

private:
    struct Message {
        wire::Tag tag;
        std::vector<std::uint8_t> body;
    };
    class CallRoute;
    class ReplyHooks;

    void onReadable();
    bool readAvailable();
    bool splitMessages();
    void drain();
    bool execute(const Message& message);
    bool createInstance(wire::WireReader& reader);
    bool getIdsOfNames(wire::WireReader& reader);
    bool invoke(wire::WireReader& reader);
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
    bool m_closed = false;
    std::vector<std::uint8_t> m_input;
    std::deque<Message> m_queue;
    std::size_t m_queuedBytes = 0;
    std::unordered_map<std::uint32_t, ComPtr<IDispatch>> m_objects;
    std::uint32_t m_nextObject = 1;
    std::vector<ComPtr<IClassFactory>> m_locks;
    std::vector<CLSID> m_lockClasses;
    BulkSender m_bulk;
    std::uint32_t m_nextMessage = 1;
};

} // namespace velmora::automation
