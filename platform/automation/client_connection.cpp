#include "platform/automation/client_connection.h"

#include "platform/automation/dispatch_proxy.h"
#include "platform/automation/message_route.h"
#include "platform/automation/socket_io.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace velmora::automation {

namespace {

std::atomic<long long> g_callTimeoutMs{30000};

struct ConnectionTable {
    std::mutex mutex;
    std::map<std::string, std::weak_ptr<ClientConnection>> entries;
};

ConnectionTable& connections()
{
    static ConnectionTable table;
    return table;
}

} // namespace

class ClientConnection::Hooks : public wire::DecodeHooks {
public:
    Hooks(ClientConnection& connection, int fd) : m_connection(connection), m_fd(fd) {}
    ~Hooks() override
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool resolveBulk(const wire::BulkRef& ref, void*& data, std::shared_ptr<void>& owner) override
    {
        return m_connection.m_bulk.resolve(ref, m_fd, data, owner);
    }
    HRESULT importObject(std::uint32_t id, IDispatch** object) override
    {
        *object = makeObject<DispatchProxy>(m_connection.shared_from_this(), id).detach();
        return S_OK;
    }

private:
    ClientConnection& m_connection;
    int m_fd;
};

std::shared_ptr<ClientConnection> ClientConnection::obtain(const std::string& socketPath)
{
    ConnectionTable& table = connections();
    std::lock_guard lock(table.mutex);
    if (auto existing = table.entries[socketPath].lock(); existing && !existing->broken())
        return existing;
    const int fd = connectUnix(socketPath);
    if (fd < 0)
        return nullptr;
    if (!peerIsSameUser(fd)) {
        ::close(fd); // a server of another user's is not spoken to
        return nullptr;
    }
    auto connection = std::make_shared<ClientConnection>(fd);
    table.entries[socketPath] = connection;
    return connection;
}

void ClientConnection::forget(const std::string& socketPath)
{
    ConnectionTable& table = connections();
    std::lock_guard lock(table.mutex);
    table.entries.erase(socketPath);
}

ClientConnection::ClientConnection(int fd) : m_fd(fd) {}

ClientConnection::~ClientConnection()
{
    ::close(m_fd);
}

void ClientConnection::setCallTimeout(std::chrono::milliseconds timeout)
{
    g_callTimeoutMs = timeout.count();
}

std::chrono::milliseconds ClientConnection::callTimeout()
{
    return std::chrono::milliseconds(g_callTimeoutMs.load());
}

ClientConnection::Clock::time_point ClientConnection::deadlineFromNow()
{
    return Clock::now() + callTimeout();
}

void ClientConnection::markBroken()
{
    if (!m_broken.exchange(true))
        ::shutdown(m_fd, SHUT_RDWR); // wakes a reader blocked in recv
    m_changed.notify_all();
}

bool ClientConnection::send(wire::WireWriter& message, Clock::time_point deadline)
{
    if (!message.finish())
        return false;
    std::lock_guard lock(m_writeMutex);
    // A message cut short cannot be taken back: a send that stalls past the deadline
    // leaves the connection broken.
    const auto stall =
        std::max(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()),
                 std::chrono::milliseconds(1));
    return !m_broken && sendAll(m_fd, message.data().data(), message.data().size(), -1,
                                deadline == Clock::time_point::max() ? std::chrono::milliseconds(-1) : stall);
}

HRESULT ClientConnection::call(wire::WireWriter& request, std::uint32_t callId, Pending& pending,
                               Clock::time_point deadline)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_broken)
            return RPC_E_DISCONNECTED;
        m_pending[callId] = &pending;
    }
    const bool sent = send(request, deadline);
    std::unique_lock lock(m_mutex);
    if (!sent)
        markBroken();
    bool timedOut = false;
    while (!pending.done && !m_broken && !timedOut) {
        if (!pending.messages.empty()) {
            Incoming message = std::move(pending.messages.front());
            pending.messages.pop_front();
            lock.unlock();
            deliver(message);
            lock.lock();
        } else if (!m_reading) {
            m_reading = true;
            lock.unlock();
            const ReadOutcome outcome = readUntil(deadline);
            lock.lock();
            m_reading = false;
            if (outcome == ReadOutcome::Broken)
                markBroken();
            timedOut = outcome == ReadOutcome::TimedOut;
            m_changed.notify_all(); // another waiter may take over reading
        } else {
            timedOut = m_changed.wait_until(lock, deadline) == std::cv_status::timeout && !pending.done;
        }
    }
    m_pending.erase(callId);
    if (pending.done)
        return pending.reply->hr;
    return m_broken ? RPC_E_DISCONNECTED : RPC_E_TIMEOUT;
}

ClientConnection::ReadOutcome ClientConnection::readUntil(Clock::time_point deadline)
{
    for (;;) {
        int waitMs = -1;
        if (deadline != Clock::time_point::max()) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0)
                return ReadOutcome::TimedOut;
            waitMs = static_cast<int>(std::min<long long>(left.count(), 1 << 30));
        }
        pollfd p{m_fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, waitMs);
        if (ready < 0 && errno != EINTR)
            return ReadOutcome::Broken;
        if (ready <= 0)
            continue;
        std::uint8_t* into = m_readingBody ? m_body.data() + m_bodyFilled : m_header + m_headerFilled;
        const std::size_t wanted =
            m_readingBody ? m_body.size() - m_bodyFilled : wire::kHeaderBytes - m_headerFilled;
        const ssize_t n = receiveSome(m_fd, into, wanted, m_incomingFds, false);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
            continue;
        if (n <= 0 || m_incomingFds.size() > 1)
            return ReadOutcome::Broken;
        if (!m_readingBody) {
            if ((m_headerFilled += static_cast<std::size_t>(n)) == wire::kHeaderBytes && !startBody())
                return ReadOutcome::Broken;
        } else {
            m_bodyFilled += static_cast<std::size_t>(n);
        }
        if (m_readingBody && m_bodyFilled == m_body.size())
            return handleMessage() ? ReadOutcome::Progress : ReadOutcome::Broken;
    }
}

bool ClientConnection::startBody()
{
    if (!wire::parseHeader(m_header, m_incoming) ||
        !wire::isServerTag(static_cast<std::uint8_t>(m_incoming.tag)))
        return false;
    m_body.assign(m_incoming.size, 0);
    m_bodyFilled = 0;
    m_readingBody = true;
    return true;
}

bool ClientConnection::handleMessage()
{
    std::vector<int> fds = std::move(m_incomingFds);
    std::vector<std::uint8_t> body = std::move(m_body);
    m_incomingFds.clear();
    m_body.clear();
    m_readingBody = false;
    m_headerFilled = 0;
    if (fds.size() != ((m_incoming.flags & wire::kFlagFd) ? 1u : 0u)) {
        closeAll(fds);
        return false;
    }
    Hooks hooks(*this, fds.empty() ? -1 : fds.front());
    wire::WireReader reader(body);
    return m_incoming.tag == wire::Tag::Reply ? decodeReply(reader, hooks) : decodeSendMessage(reader, hooks);
}

bool ClientConnection::decodeReplyBody(wire::WireReader& r, wire::Tag request, Reply& reply, Hooks& hooks)
{
    switch (request) {
    case wire::Tag::CreateInstance:
        return r.u32(reply.objectId);
    case wire::Tag::LockServer:
        return true;
    case wire::Tag::GetIDsOfNames: {
        std::uint32_t count = 0;
        if (!r.u32(count) || count > wire::kMaxNames)
            return false;
        reply.ids.resize(count);
        for (DISPID& id : reply.ids) {
            if (!r.i32(id))
                return false;
        }
        return true;
    }
    case wire::Tag::Invoke: {
        std::uint8_t hasException = 0, hasResult = 0;
        if (!r.u32(reply.argError) || !r.u8(hasException) || hasException > 1)
            return false;
        EXCEPINFO& e = reply.exception;
        UniqueBstr source, description, helpFile;
        if (hasException && !(r.u16(e.wCode) && r.string(source) && r.string(description) &&
                              r.string(helpFile) && r.u32(e.dwHelpContext) && r.i32(e.scode)))
            return false;
        e.bstrSource = source.release();
        e.bstrDescription = description.release();
        e.bstrHelpFile = helpFile.release();
        reply.hasException = hasException == 1;
        if (!r.u8(hasResult) || hasResult > 1)
            return false;
        reply.hasResult = hasResult == 1;
        return !reply.hasResult || wire::decodeVariant(r, *reply.result.get(), hooks);
    }
    default:
        return false;
    }
}

bool ClientConnection::decodeReply(wire::WireReader& r, Hooks& hooks)
{
    std::uint32_t callId = 0;
    std::uint8_t request = 0;
    auto reply = std::make_unique<Reply>();
    if (!r.u32(callId) || !r.u8(request) || !wire::isClientTag(request) || !r.i32(reply->hr) ||
        !decodeReplyBody(r, static_cast<wire::Tag>(request), *reply, hooks) || !r.complete())
        return false;
    std::lock_guard lock(m_mutex);
    const auto it = m_pending.find(callId);
    if (it == m_pending.end() || it->second->done)
        return true; // nobody waits any more; the reply is dropped
    if (it->second->request != static_cast<wire::Tag>(request))
        return false;
    it->second->reply = std::move(reply);
    it->second->done = true;
    m_changed.notify_all();
    return true;
}

bool ClientConnection::decodeSendMessage(wire::WireReader& r, Hooks& hooks)
{
    std::uint32_t callId = 0;
    std::uint64_t hwnd = 0, wParam = 0, dwData = 0;
    std::int64_t lParam = 0;
    std::uint8_t hasData = 0;
    Incoming message;
    if (!r.u32(callId) || !r.u32(message.messageId) || !r.u64(hwnd) || !r.u32(message.msg) ||
        !r.u64(wParam) || !r.i64(lParam) || !r.u8(hasData) || hasData > 1)
        return false;
    if (hasData && (message.msg != WM_COPYDATA || !r.u64(dwData) ||
                    !wire::decodeBlob(r, message.data, hooks) || message.data.size > UINT32_MAX))
        return false;
    if (!r.complete())
        return false;
    message.hwnd = static_cast<HWND>(hwnd);
    message.wParam = wParam;
    message.lParam = lParam;
    message.hasData = hasData == 1;
    message.dwData = dwData;
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_pending.find(callId);
        if (it != m_pending.end() && !it->second->done) {
            it->second->messages.push_back(std::move(message));
            m_changed.notify_all();
            return true;
        }
    }
    message.data.owner.reset();
    sendMessageReply(message.messageId, 0); // not sent during a call of ours
    return true;
}

void ClientConnection::deliver(Incoming& message)
{
    COPYDATASTRUCT copy{message.dwData, static_cast<DWORD>(message.data.size),
                        const_cast<void*>(message.data.data)};
    const LPARAM lParam = message.hasData ? reinterpret_cast<LPARAM>(&copy) : message.lParam;
    const LRESULT result = deliverWindowMessage(message.hwnd, message.msg, message.wParam, lParam);
    message.data.owner.reset(); // frees the shared buffer before the server hears back
    sendMessageReply(message.messageId, result);
}

void ClientConnection::sendMessageReply(std::uint32_t messageId, LRESULT result)
{
    wire::WireWriter writer(wire::Tag::MessageReply);
    writer.u32(messageId);
    writer.i64(result);
    if (!send(writer)) {
        std::lock_guard lock(m_mutex);
        markBroken();
    }
}

} // namespace velmora::automation
