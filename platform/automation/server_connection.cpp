#include "platform/automation/server_connection.h"

#include "platform/automation/error_info.h"
#include "platform/automation/exception_guard.h"
#include "platform/automation/server_connection_parts.h"
#include "platform/automation/socket_io.h"
#include "platform/automation/variant_codec.h"

#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace velmora::automation {

namespace {

constexpr std::size_t kMaxReadPerWakeup = 16u << 20;
constexpr std::size_t kMaxObjects = 65536;

std::atomic<std::size_t> g_totalBuffered{0};

// The object a message is for, when it names one (the first field after a call id,
// or the only field of a release).
std::optional<std::uint32_t> targetObject(wire::Tag tag, std::span<const std::uint8_t> body)
{
    std::size_t at = 0;
    if (tag == wire::Tag::Invoke || tag == wire::Tag::GetIDsOfNames)
        at = 4;
    else if (tag != wire::Tag::Release)
        return std::nullopt;
    if (body.size() < at + 4)
        return std::nullopt;
    std::uint32_t id = 0;
    std::memcpy(&id, body.data() + at, 4);
    return id;
}

} // namespace

ServerConnection::ServerConnection(int fd, Executor& executor, ClassLookup classLookup,
                                   ClosedHandler onClosed, Now now)
    : m_fd(fd), m_executor(executor), m_classLookup(std::move(classLookup)), m_onClosed(std::move(onClosed)),
      m_now(now), m_lastActivity(now())
{
}

ServerConnection::~ServerConnection()
{
    unreserve(m_bufferedBytes);
    ::close(m_fd);
}

std::size_t ServerConnection::totalBufferedBytes()
{
    return g_totalBuffered.load();
}

void ServerConnection::start()
{
    std::weak_ptr<ServerConnection> weak = shared_from_this();
    m_executor.watch(m_fd, [weak] {
        if (auto self = weak.lock())
            self->onReadable();
    });
}

void ServerConnection::close()
{
    if (m_closed)
        return;
    m_closed = true;
    m_executor.unwatch(m_fd);
    ::shutdown(m_fd, SHUT_RDWR);
    m_queue.clear();
    m_incoming = Message{};
    m_readingBody = false;
    unreserve(m_bufferedBytes);
    // The fd itself stays open until destruction, so its number cannot be reused
    // under a call still running on this connection. Objects of deferred calls stay
    // with those calls until they complete.
    auto objects = std::move(m_objects);
    auto locks = std::move(m_locks);
    m_objects.clear();
    m_locks.clear();
    m_lockClasses.clear();
    m_busyObjects.clear();
    for (const auto& factory : locks)
        factory->LockServer(0);
    objects.clear();
    if (m_onClosed)
        m_onClosed(this);
}

bool ServerConnection::holdsNothing() const
{
    return m_objects.empty() && m_locks.empty() && m_deferred.empty() && m_queue.empty() &&
           m_executing == 0 && !m_readingBody && m_headerFilled == 0;
}

bool ServerConnection::reserve(std::size_t bytes)
{
    if (m_bufferedBytes + bytes > kMaxConnectionBytes)
        return false;
    std::size_t total = g_totalBuffered.load();
    do {
        if (total + bytes > kMaxTotalBytes)
            return false;
    } while (!g_totalBuffered.compare_exchange_weak(total, total + bytes));
    m_bufferedBytes += bytes;
    return true;
}

void ServerConnection::unreserve(std::size_t bytes)
{
    m_bufferedBytes -= bytes;
    g_totalBuffered -= bytes;
}

void ServerConnection::onReadable()
{
    const auto self = shared_from_this();
    const Received received = receive();
    if (received == Received::Broken) {
        close();
        return;
    }
    drain();
    if (received == Received::Ended)
        close();
}

bool ServerConnection::startMessage()
{
    wire::Header header;
    if (!wire::parseHeader(m_header, header) || !wire::isClientTag(static_cast<std::uint8_t>(header.tag)) ||
        (header.flags & wire::kFlagFd) || !reserve(header.size))
        return false;
    // Not zeroed: the pages are only taken as the bytes arrive.
    m_incoming.tag = header.tag;
    m_incoming.size = header.size;
    m_incoming.body.reset(header.size ? new (std::nothrow) std::uint8_t[header.size] : nullptr);
    if (header.size && !m_incoming.body) {
        unreserve(header.size);
        return false;
    }
    m_bodyFilled = 0;
    m_readingBody = true;
    if (header.size == 0)
        finishMessage();
    return true;
}

void ServerConnection::finishMessage()
{
    m_queue.push_back(std::move(m_incoming));
    m_incoming = Message{};
    m_readingBody = false;
    m_headerFilled = 0;
}

ServerConnection::Received ServerConnection::receive()
{
    std::size_t total = 0;
    while (total < kMaxReadPerWakeup && !m_closed) {
        std::uint8_t* into = m_readingBody ? m_incoming.body.get() + m_bodyFilled : m_header + m_headerFilled;
        const std::size_t wanted =
            m_readingBody ? m_incoming.size - m_bodyFilled : wire::kHeaderBytes - m_headerFilled;
        const ssize_t n = ::recv(m_fd, into, wanted, MSG_DONTWAIT);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno == EAGAIN || errno == EWOULDBLOCK ? Received::Open : Received::Broken;
        if (n == 0)
            return Received::Ended;
        total += static_cast<std::size_t>(n);
        m_lastActivity = m_now();
        if (m_readingBody) {
            if ((m_bodyFilled += static_cast<std::size_t>(n)) == m_incoming.size)
                finishMessage();
        } else if ((m_headerFilled += static_cast<std::size_t>(n)) == wire::kHeaderBytes && !startMessage()) {
            return Received::Broken;
        }
    }
    return Received::Open;
}

std::deque<ServerConnection::Message>::iterator ServerConnection::nextRunnable()
{
    for (auto it = m_queue.begin(); it != m_queue.end(); ++it) {
        const auto target = targetObject(it->tag, it->bytes());
        if (!target || !m_busyObjects.count(*target))
            return it;
    }
    return m_queue.end();
}

void ServerConnection::drain()
{
    const auto self = shared_from_this();
    // A call may run a nested loop that drains further messages; each is taken
    // off the queue before it runs. Messages for an object whose call is deferred
    // wait for it, in order.
    while (!m_closed) {
        const auto it = nextRunnable();
        if (it == m_queue.end())
            return;
        Message message = std::move(*it);
        m_queue.erase(it);
        unreserve(message.size);
        ++m_executing;
        bool ok = false;
        try {
            ok = execute(message);
        } catch (...) {
            // Only the runtime itself gets here (handlers are guarded where they are
            // called): this connection's state cannot be trusted, the others go on.
            logCurrentException("automation server");
        }
        --m_executing;
        if (!ok)
            close();
    }
}

bool ServerConnection::execute(const Message& message)
{
    wire::WireReader reader(message.bytes());
    switch (message.tag) {
    case wire::Tag::CreateInstance:
        return createInstance(reader);
    case wire::Tag::GetIDsOfNames:
        return getIdsOfNames(reader);
    case wire::Tag::Invoke:
        return invoke(reader);
    case wire::Tag::Release:
        return releaseObject(reader);
    case wire::Tag::LockServer:
        return lockServer(reader);
    case wire::Tag::MessageReply: {
        // A reply that came after its SendMessage gave up.
        std::uint32_t id = 0;
        std::int64_t result = 0;
        return reader.u32(id) && reader.i64(result) && reader.complete();
    }
    default:
        return false;
    }
}

bool ServerConnection::transmit(wire::WireWriter& writer)
{
    if (m_closed)
        return false;
    if (!writer.finish() ||
        !sendAll(m_fd, writer.data().data(), writer.data().size(), writer.fd(), kSendStall)) {
        close();
        return false;
    }
    return true;
}

bool ServerConnection::sendReplyOrClose(wire::WireWriter& writer)
{
    transmit(writer);
    return true; // a failed send has closed the connection already
}

ComPtr<IDispatch> ServerConnection::findObject(std::uint32_t id) const
{
    const auto it = m_objects.find(id);
    return it == m_objects.end() ? nullptr : it->second;
}

HRESULT ServerConnection::addObject(IDispatch* object, std::uint32_t& id)
{
    if (m_objects.size() >= kMaxObjects)
        return E_OUTOFMEMORY;
    while (m_nextObject == 0 || m_objects.count(m_nextObject))
        ++m_nextObject;
    id = m_nextObject++;
    m_objects[id] = ComPtr<IDispatch>(object);
    return S_OK;
}

bool ServerConnection::createInstance(wire::WireReader& reader)
{
    std::uint32_t callId = 0;
    CLSID clsid;
    IID iid;
    if (!reader.u32(callId) || !reader.guid(clsid) || !reader.guid(iid) || !reader.complete())
        return false;
    ComPtr<IClassFactory> factory;
    HRESULT hr = m_classLookup(clsid, factory);
    std::uint32_t id = 0;
    if (SUCCEEDED(hr)) {
        ComPtr<IDispatch> object;
        try {
            hr = factory->CreateInstance(nullptr, IID_IDispatch, object.putVoid());
        } catch (...) {
            hr = failureCodeOfCurrentException();
        }
        if (SUCCEEDED(hr))
            hr = addObject(object.get(), id);
    }
    wire::WireWriter writer(wire::Tag::Reply);
    writer.u32(callId);
    writer.u8(static_cast<std::uint8_t>(wire::Tag::CreateInstance));
    writer.i32(hr);
    writer.u32(id);
    return sendReplyOrClose(writer);
}

bool ServerConnection::getIdsOfNames(wire::WireReader& reader)
{
    std::uint32_t callId = 0, objectId = 0, lcid = 0, count = 0;
    IID riid;
    if (!reader.u32(callId) || !reader.u32(objectId) || !reader.guid(riid) || !reader.u32(lcid) ||
        !reader.u32(count) || count < 1 || count > wire::kMaxNames)
        return false;
    std::vector<UniqueBstr> names(count);
    std::vector<LPOLESTR> pointers(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        if (!reader.string(names[i]) || !names[i])
            return false;
        pointers[i] = names[i].get();
    }
    if (!reader.complete())
        return false;
    std::vector<DISPID> ids(count, DISPID_UNKNOWN);
    const ComPtr<IDispatch> object = findObject(objectId);
    HRESULT hr = RPC_E_INVALID_OBJECT;
    try {
        if (object)
            hr = object->GetIDsOfNames(riid, pointers.data(), count, lcid, ids.data());
    } catch (...) {
        hr = failureCodeOfCurrentException();
    }
    wire::WireWriter writer(wire::Tag::Reply);
    writer.u32(callId);
    writer.u8(static_cast<std::uint8_t>(wire::Tag::GetIDsOfNames));
    writer.i32(hr);
    writer.u32(count);
    for (DISPID id : ids)
        writer.i32(id);
    return sendReplyOrClose(writer);
}

bool ServerConnection::releaseObject(wire::WireReader& reader)
{
    std::uint32_t objectId = 0;
    if (!reader.u32(objectId) || !reader.complete())
        return false;
    const auto it = m_objects.find(objectId);
    if (it != m_objects.end()) {
        ComPtr<IDispatch> object = std::move(it->second);
        m_objects.erase(it);
        object.reset(); // may end the server (last lock), after the table is consistent
    }
    return true;
}

bool ServerConnection::lockServer(wire::WireReader& reader)
{
    std::uint32_t callId = 0;
    CLSID clsid;
    std::uint8_t lock = 0;
    if (!reader.u32(callId) || !reader.guid(clsid) || !reader.u8(lock) || lock > 1 || !reader.complete())
        return false;
    HRESULT hr = E_UNEXPECTED;
    if (lock) {
        ComPtr<IClassFactory> factory;
        hr = m_classLookup(clsid, factory);
        if (SUCCEEDED(hr) && SUCCEEDED(hr = factory->LockServer(1))) {
            m_locks.push_back(factory);
            m_lockClasses.push_back(clsid);
        }
    } else {
        for (std::size_t i = 0; i < m_locks.size(); ++i) {
            if (m_lockClasses[i] == clsid) {
                ComPtr<IClassFactory> factory = std::move(m_locks[i]);
                m_locks.erase(m_locks.begin() + static_cast<std::ptrdiff_t>(i));
                m_lockClasses.erase(m_lockClasses.begin() + static_cast<std::ptrdiff_t>(i));
                hr = factory->LockServer(0);
                break;
            }
        }
    }
    wire::WireWriter writer(wire::Tag::Reply);
    writer.u32(callId);
    writer.u8(static_cast<std::uint8_t>(wire::Tag::LockServer));
    writer.i32(hr);
    return sendReplyOrClose(writer);
}

} // namespace velmora::automation
