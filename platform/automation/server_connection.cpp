#include "platform/automation/server_connection.h"

#include "platform/automation/error_info.h"
#include "platform/automation/server_connection_parts.h"
#include "platform/automation/socket_io.h"
#include "platform/automation/variant_codec.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace velmora::automation {

namespace {

constexpr std::size_t kReadChunk = 256 * 1024;
constexpr std::size_t kMaxReadPerWakeup = 16u << 20;
constexpr std::size_t kMaxQueuedBytes = std::size_t(1) << 30;
constexpr std::size_t kMaxObjects = 65536;
constexpr std::chrono::milliseconds kSendStall{10000};

} // namespace

ServerConnection::ServerConnection(int fd, Executor& executor, ClassLookup classLookup,
                                   ClosedHandler onClosed)
    : m_fd(fd), m_executor(executor), m_classLookup(std::move(classLookup)), m_onClosed(std::move(onClosed))
{
}

ServerConnection::~ServerConnection()
{
    ::close(m_fd);
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
    // The fd itself stays open until destruction, so its number cannot be reused
    // under a call still running on this connection.
    auto objects = std::move(m_objects);
    auto locks = std::move(m_locks);
    m_objects.clear();
    m_locks.clear();
    m_lockClasses.clear();
    for (const auto& factory : locks)
        factory->LockServer(0);
    objects.clear();
    if (m_onClosed)
        m_onClosed(this);
}

void ServerConnection::onReadable()
{
    const auto self = shared_from_this();
    const bool open = readAvailable();
    if (!splitMessages()) {
        close();
        return;
    }
    drain();
    if (!open)
        close();
}

bool ServerConnection::readAvailable()
{
    std::size_t total = 0;
    while (total < kMaxReadPerWakeup) {
        const std::size_t old = m_input.size();
        m_input.resize(old + kReadChunk);
        const ssize_t n = ::recv(m_fd, m_input.data() + old, kReadChunk, MSG_DONTWAIT);
        m_input.resize(old + (n > 0 ? static_cast<std::size_t>(n) : 0));
        if (n > 0) {
            total += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
    return true;
}

bool ServerConnection::splitMessages()
{
    std::size_t pos = 0;
    bool ok = true;
    while (m_input.size() - pos >= wire::kHeaderBytes) {
        wire::Header header;
        if (!wire::parseHeader(m_input.data() + pos, header) ||
            !wire::isClientTag(static_cast<std::uint8_t>(header.tag)) || (header.flags & wire::kFlagFd)) {
            ok = false;
            break;
        }
        if (m_input.size() - pos - wire::kHeaderBytes < header.size)
            break;
        const auto begin = m_input.begin() + static_cast<std::ptrdiff_t>(pos + wire::kHeaderBytes);
        m_queue.push_back(Message{header.tag, std::vector<std::uint8_t>(begin, begin + header.size)});
        m_queuedBytes += header.size;
        pos += wire::kHeaderBytes + header.size;
        if (m_queuedBytes > kMaxQueuedBytes) {
            ok = false;
            break;
        }
    }
    m_input.erase(m_input.begin(), m_input.begin() + static_cast<std::ptrdiff_t>(pos));
    return ok;
}

void ServerConnection::drain()
{
    const auto self = shared_from_this();
    // A call may run a nested loop that drains further messages; each is taken
    // off the queue before it runs.
    while (!m_closed && !m_queue.empty()) {
        Message message = std::move(m_queue.front());
        m_queue.pop_front();
        m_queuedBytes -= message.body.size();
        if (!execute(message))
            close();
    }
}

bool ServerConnection::execute(const Message& message)
{
    wire::WireReader reader(message.body);
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
        hr = factory->CreateInstance(nullptr, IID_IDispatch, object.putVoid());
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
    const HRESULT hr =
        object ? object->GetIDsOfNames(riid, pointers.data(), count, lcid, ids.data()) : RPC_E_INVALID_OBJECT;
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
