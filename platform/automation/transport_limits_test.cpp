// The server side of the transport against clients that misbehave: huge or half-sent
// messages, replies never read, window messages never answered, idle connections by
// the hundred; and calls deferred off the loop. Each case also measures the worst
// wait another client sees meanwhile.
#include "platform/automation/apartment.h"
#include "platform/automation/client_connection.h"
#include "platform/automation/dispatch_calls.h"
#include "platform/automation/local_server.h"
#include "platform/automation/remote_activation.h"
#include "platform/automation/safe_array.h"
#include "platform/automation/server_connection.h"
#include "platform/automation/socket_io.h"
#include "platform/automation/testserver/server_thread.h"
#include "platform/automation/testserver/test_object.h"
#include "platform/automation/wire_writer.h"
#include "testing/eventually.h"
#include "testing/process_usage.h"
#include "testing/temp_home.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <thread>

using namespace velmora::automation;
using namespace velmora::automation::testing;
using velmora::testing::eventually;
using velmora::testing::residentBytes;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

double mib(std::size_t bytes)
{
    return static_cast<double>(bytes) / (1 << 20);
}

// A connection of its own, speaking the wire format by hand.
class RawClient {
public:
    explicit RawClient(const std::string& path) : m_fd(connectUnix(path)) {}
    ~RawClient()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int fd() const { return m_fd; }
    bool send(const std::vector<std::uint8_t>& bytes)
    {
        return sendAll(m_fd, bytes.data(), bytes.size(), -1, std::chrono::milliseconds(5000));
    }
    bool send(wire::WireWriter& message) { return message.finish() && send(message.data()); }
    // The next message's tag and body; nullopt at the end of the stream or after `timeout`.
    std::optional<std::pair<wire::Tag, std::vector<std::uint8_t>>> receive(std::chrono::milliseconds timeout)
    {
        timeval limit{static_cast<time_t>(timeout.count() / 1000),
                      static_cast<suseconds_t>(timeout.count() % 1000 * 1000)};
        setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        std::uint8_t header[wire::kHeaderBytes];
        std::vector<int> fds;
        wire::Header h;
        if (!receiveAll(m_fd, header, sizeof header, fds) || !wire::parseHeader(header, h))
            return std::nullopt;
        std::vector<std::uint8_t> body(h.size);
        const bool whole = receiveAll(m_fd, body.data(), body.size(), fds);
        closeAll(fds);
        if (!whole)
            return std::nullopt;
        return std::make_pair(h.tag, std::move(body));
    }
    // Whether the server ended this connection within `timeout`.
    bool hungUp(std::chrono::milliseconds timeout)
    {
        const auto giveUp = Clock::now() + timeout;
        while (Clock::now() < giveUp) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            std::uint8_t byte[4096];
            const ssize_t n = ::recv(m_fd, byte, sizeof byte, MSG_DONTWAIT);
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR))
                return true;
        }
        return false;
    }
    std::uint32_t createObject()
    {
        wire::WireWriter w(wire::Tag::CreateInstance);
        w.u32(m_nextCall++);
        w.guid(CLSID_VelmoraTestObject);
        w.guid(IID_IDispatch);
        if (!send(w))
            return 0;
        const auto reply = receive(5000ms);
        if (!reply || reply->second.size() < 13)
            return 0;
        std::uint32_t id = 0;
        std::memcpy(&id, reply->second.data() + 9, 4);
        return id;
    }
    // An Invoke of `dispid` on `object` whose arguments the caller appends.
    wire::WireWriter invoke(std::uint32_t object, DISPID dispid, WORD flags, std::uint32_t argCount)
    {
        wire::WireWriter w(wire::Tag::Invoke);
        w.u32(m_nextCall++);
        w.u32(object);
        w.i32(dispid);
        w.guid(IID_NULL);
        w.u32(0);
        w.u16(flags);
        w.u8(1);
        w.u8(0);
        w.u32(argCount);
        return w;
    }

private:
    int m_fd;
    std::uint32_t m_nextCall = 1;
};

// The call id and code of an Invoke reply, and its I4 or I8 result when it has one.
struct InvokeReply {
    std::uint32_t callId = 0;
    HRESULT hr = E_FAIL;
    std::int64_t value = -1;
};

std::optional<InvokeReply> parseInvokeReply(const std::vector<std::uint8_t>& body)
{
    wire::WireReader r(body);
    InvokeReply reply;
    std::uint8_t request = 0, hasException = 0, hasResult = 0;
    std::uint32_t argError = 0;
    if (!r.u32(reply.callId) || !r.u8(request) || !r.i32(reply.hr) || !r.u32(argError) ||
        !r.u8(hasException) || hasException || !r.u8(hasResult))
        return std::nullopt;
    std::uint16_t vt = 0;
    if (hasResult && r.u16(vt)) {
        std::int32_t i4 = 0;
        if (vt == VT_I4 && r.i32(i4))
            reply.value = i4;
        else if (vt == VT_I8)
            r.i64(reply.value);
    }
    return reply;
}

// Another client calling all along; the longest any of its calls took.
class Bystander {
public:
    explicit Bystander(const std::string& socketPath)
    {
        EXPECT_EQ(S_OK,
                  createInstanceAt(socketPath, CLSID_VelmoraTestObject, IID_IDispatch, m_object.putVoid()));
        m_thread = std::thread([this] {
            while (!m_stop) {
                const auto start = Clock::now();
                Variant value;
                if (getProperty(m_object.get(), "Value", value.get()) != S_OK)
                    ++m_failures;
                m_worst = std::max<long long>(
                    m_worst,
                    std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
                ++m_calls;
                std::this_thread::sleep_for(5ms); // pacing, not ordering
            }
        });
    }
    ~Bystander() { stop(); }
    void stop()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    long long worstMs() const { return m_worst; }
    int calls() const { return m_calls; }
    int failures() const { return m_failures; }

private:
    ComPtr<IDispatch> m_object;
    std::atomic<bool> m_stop{false};
    std::atomic<long long> m_worst{0};
    std::atomic<int> m_calls{0};
    std::atomic<int> m_failures{0};
    std::thread m_thread;
};

class TransportLimitsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        ASSERT_EQ(S_OK, server->status());
    }
    void TearDown() override
    {
        server.reset();
        CoUninitialize();
    }
    LONG valueOf(IDispatch* object)
    {
        Variant value;
        EXPECT_EQ(S_OK, getProperty(object, "Value", value.get()));
        return value->lVal;
    }

    velmora::testing::TempHome home;
    std::unique_ptr<ServerThread> server = std::make_unique<ServerThread>();
};

TEST_F(TransportLimitsTest, AHugeArrayOfEmptyVariantsIsRefusedAndMemoryReturns)
{
    const std::size_t before = residentBytes();
    std::size_t peak = 0;
    {
        RawClient hostile(server->socketPath());
        const std::uint32_t object = hostile.createObject();
        ASSERT_NE(object, 0u);
        // Echo(array of 48 Mi empty variants): 96 MiB on the wire, over 1 GiB decoded.
        constexpr std::uint32_t kElements = 48u << 20;
        wire::WireWriter w = hostile.invoke(object, 16, DISPATCH_METHOD, 1);
        w.u16(VT_ARRAY | VT_VARIANT);
        w.u8(1);
        w.u32(kElements);
        w.i32(0);
        ASSERT_TRUE(w.finish());
        std::vector<std::uint8_t> message = w.data();
        message.resize(message.size() + std::size_t(kElements) * 2 + 4,
                       0); // VT_EMPTY elements, no named args
        const std::uint32_t body = static_cast<std::uint32_t>(message.size() - wire::kHeaderBytes);
        std::memcpy(message.data(), &body, 4);
        ASSERT_TRUE(hostile.send(message));
        peak = residentBytes(); // the server holds the message now, and this test its own copy
        EXPECT_TRUE(hostile.hungUp(10000ms));
    }
    // The server frees the message once its call has failed.
    if (velmora::testing::residentMemoryIsMeaningful()) {
        EXPECT_TRUE(eventually([&] { return residentBytes() < before + (100u << 20); }));
    }
    std::printf("[ figures  ] RSS before %.1f MiB, at the peak %.1f MiB (both copies of the message), after "
                "the 96 MiB empty-variant array %.1f MiB\n",
                mib(before), mib(peak), mib(residentBytes()));
    EXPECT_TRUE(eventually([] { return ServerConnection::totalBufferedBytes() == 0; }));

    // Arrays within the budget still travel.
    ComPtr<IDispatch> object;
    ASSERT_EQ(S_OK, createInstanceAt(server->socketPath(), CLSID_VelmoraTestObject, IID_IDispatch,
                                     object.putVoid()));
    SAFEARRAY* list = SafeArrayCreateVector(VT_VARIANT, 0, 100000);
    Variant array = Variant::array(list);
    Variant echoed;
    ASSERT_EQ(S_OK, callMethod(object.get(), "Echo", {array.get(), 1}, echoed.get()));
    EXPECT_EQ(100000u, echoed->parray->rgsabound[0].cElements);
}

TEST_F(TransportLimitsTest, HalfSentMessagesShareOneCapAcrossConnections)
{
    const std::size_t before = residentBytes();
    constexpr std::uint32_t kClaimed = 400u << 20;
    auto halfSend = [&](RawClient& client) {
        std::vector<std::uint8_t> start(wire::kHeaderBytes + (1u << 20), 0x5A);
        std::memcpy(start.data(), &kClaimed, 4);
        start[4] = static_cast<std::uint8_t>(wire::Tag::Invoke);
        start[5] = start[6] = start[7] = 0;
        return client.send(start);
    };
    RawClient first(server->socketPath()), second(server->socketPath()), third(server->socketPath());
    ASSERT_TRUE(halfSend(first));
    ASSERT_TRUE(eventually([] { return ServerConnection::totalBufferedBytes() == kClaimed; }));
    ASSERT_TRUE(halfSend(second));
    ASSERT_TRUE(
        eventually([] { return ServerConnection::totalBufferedBytes() == 2 * std::size_t(kClaimed); }));
    // A third would pass the total: that connection ends, the others wait on.
    halfSend(third);
    EXPECT_TRUE(third.hungUp(5000ms));
    EXPECT_LE(ServerConnection::totalBufferedBytes(), ServerConnection::kMaxTotalBytes);
    EXPECT_FALSE(first.hungUp(50ms));
    const std::size_t during = residentBytes();
    std::printf("[ figures  ] RSS before %.1f MiB, with 800 MiB claimed by half-sent messages %.1f MiB\n",
                mib(before), mib(during));
    if (velmora::testing::residentMemoryIsMeaningful()) {
        EXPECT_LT(during, before + (100u << 20)) << "claimed memory is not taken before the bytes come";
    }
    ::shutdown(first.fd(), SHUT_RDWR);
    ::shutdown(second.fd(), SHUT_RDWR);
    EXPECT_TRUE(eventually([] { return ServerConnection::totalBufferedBytes() == 0; }));
}

TEST_F(TransportLimitsTest, AClientThatDoesNotReadItsRepliesIsDroppedAfterAShortStall)
{
    Bystander other(server->socketPath());
    RawClient hog(server->socketPath());
    const std::uint32_t object = hog.createObject();
    ASSERT_NE(object, 0u);
    // Requests by the thousand, no reply ever read, until the server lets go.
    const auto start = Clock::now();
    bool dropped = false;
    while (!dropped && Clock::now() - start < 20s) {
        wire::WireWriter w = hog.invoke(object, 18, DISPATCH_PROPERTYGET, 0); // Names: a few dozen bytes back
        w.u32(0);
        w.finish();
        const auto& bytes = w.data();
        const ssize_t n = ::send(hog.fd(), bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd p{hog.fd(), POLLOUT, 0};
            ::poll(&p, 1, 50);
            dropped = (p.revents & (POLLERR | POLLHUP)) != 0;
        } else if (n < 0) {
            dropped = true;
        }
    }
    EXPECT_TRUE(dropped || hog.hungUp(3000ms));
    other.stop();
    std::printf("[ figures  ] client not reading its replies: dropped after %lld ms; worst call of another "
                "client %lld ms (%d calls)\n",
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count()),
                other.worstMs(), other.calls());
    EXPECT_EQ(0, other.failures());
    EXPECT_LT(other.worstMs(), ServerConnection::kSendStall.count() + 1500);
}

TEST_F(TransportLimitsTest, AWindowMessageNobodyAnswersGivesUpWithinItsBound)
{
    Bystander other(server->socketPath());
    RawClient silent(server->socketPath());
    const std::uint32_t object = silent.createObject();
    ASSERT_NE(object, 0u);
    wire::WireWriter w = silent.invoke(object, 8, DISPATCH_METHOD, 2); // SendCopyData(window, count)
    w.u16(VT_I4);
    w.i32(10);
    w.u16(VT_I8);
    w.i64(0x1234);
    w.u32(0);
    const auto start = Clock::now();
    ASSERT_TRUE(silent.send(w));
    auto message = silent.receive(5000ms);
    ASSERT_TRUE(message);
    EXPECT_EQ(wire::Tag::SendMessage, message->first); // never answered
    auto reply = silent.receive(10000ms);
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    other.stop();
    ASSERT_TRUE(reply);
    ASSERT_EQ(wire::Tag::Reply, reply->first);
    const auto answer = parseInvokeReply(reply->second);
    ASSERT_TRUE(answer);
    EXPECT_EQ(S_OK, answer->hr);
    EXPECT_EQ(0, answer->value) << "a message nobody answered counts as 0";
    EXPECT_LT(waited, ServerConnection::kSendMessageTimeout + 1500ms);
    EXPECT_GE(waited, ServerConnection::kSendMessageTimeout - 100ms);
    std::printf("[ figures  ] unanswered window message: call returned after %lld ms; worst call of another "
                "client %lld ms\n",
                static_cast<long long>(waited.count()), other.worstMs());
    EXPECT_EQ(0, other.failures());
    EXPECT_LT(other.worstMs(), ServerConnection::kSendMessageTimeout.count() + 1500);
}

Clock::time_point g_fakeNow = Clock::now();
Clock::time_point fakeNow()
{
    return g_fakeNow;
}

TEST_F(TransportLimitsTest, IdleConnectionsNeitherLockOutANewClientNorStay)
{
    LocalServer::instance().setClockForTesting(&fakeNow);
    std::vector<std::unique_ptr<RawClient>> idle;
    for (std::size_t i = 0; i < LocalServer::kMaxConnections; ++i)
        idle.push_back(std::make_unique<RawClient>(server->socketPath()));
    ASSERT_TRUE(
        eventually([] { return LocalServer::instance().connectionCount() == LocalServer::kMaxConnections; }));

    // A new client is served at once: the connection idle longest made room.
    const auto start = Clock::now();
    ComPtr<IDispatch> object;
    ASSERT_EQ(S_OK, createInstanceAt(server->socketPath(), CLSID_VelmoraTestObject, IID_IDispatch,
                                     object.putVoid()));
    EXPECT_EQ(0, valueOf(object.get()));
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    std::printf("[ figures  ] new client beside %zu idle connections: served in %lld ms\n",
                LocalServer::kMaxConnections - 1, static_cast<long long>(took.count()));
    EXPECT_LT(took, 1000ms);
    EXPECT_LE(LocalServer::instance().connectionCount(), LocalServer::kMaxConnections);

    // After the idle bound every connection that holds nothing is closed.
    g_fakeNow += LocalServer::kIdleConnectionLimit - 1ms;
    server->runOnLoop([&] { LocalServer::instance().sweep(server->executor(), fakeNow()); });
    EXPECT_GT(LocalServer::instance().connectionCount(), 1u);
    g_fakeNow += 1ms;
    server->runOnLoop([&] { LocalServer::instance().sweep(server->executor(), fakeNow()); });
    EXPECT_EQ(1u, LocalServer::instance().connectionCount());
    EXPECT_TRUE(idle.back()->hungUp(2000ms));
    EXPECT_EQ(0, valueOf(object.get())) << "the connection with an object stays";
    LocalServer::instance().setClockForTesting(&Clock::now);
}

TEST_F(TransportLimitsTest, AServerThatServesNobodyEndsAfterItsBound)
{
    LocalServer::instance().setClockForTesting(&fakeNow);
    int ended = 0;
    LocalServer::instance().endWhenUnused(30s, [&] { ++ended; });
    auto sweepAt = [&](std::chrono::milliseconds sinceStart, Clock::time_point start) {
        g_fakeNow = start + sinceStart;
        server->runOnLoop([&] { LocalServer::instance().sweep(server->executor(), fakeNow()); });
    };
    const Clock::time_point start = g_fakeNow;
    sweepAt(29s, start);
    EXPECT_EQ(0, ended);
    {
        // A client that comes and goes without an object starts the wait again.
        RawClient passing(server->socketPath());
        ASSERT_TRUE(eventually([] { return LocalServer::instance().connectionCount() == 1; }));
    }
    ASSERT_TRUE(eventually([] { return LocalServer::instance().connectionCount() == 0; }));
    sweepAt(31s, start);
    EXPECT_EQ(0, ended);
    sweepAt(29s + 30s + 1ms, start);
    EXPECT_EQ(1, ended);
    sweepAt(120s, start);
    EXPECT_EQ(1, ended) << "once";
    LocalServer::instance().endWhenUnused(0ms, {});
    LocalServer::instance().setClockForTesting(&Clock::now);
}

TEST_F(TransportLimitsTest, ADeferredCallLetsTheLoopServeOthersAndHoldsCallsToItsObject)
{
    ComPtr<IDispatch> other;
    ASSERT_EQ(S_OK, createInstanceAt(server->socketPath(), CLSID_VelmoraTestObject, IID_IDispatch,
                                     other.putVoid()));
    RawClient client(server->socketPath());
    const std::uint32_t busy = client.createObject(), free = client.createObject();
    ASSERT_NE(busy, 0u);
    ASSERT_NE(free, 0u);
    wire::WireWriter wait = client.invoke(busy, 20, DISPATCH_METHOD, 0); // WaitForRelease
    wait.u32(0);
    ASSERT_TRUE(client.send(wait));
    ASSERT_TRUE(eventually([] { return TestObject::waitingForRelease() == 1; }));
    wire::WireWriter put = client.invoke(busy, 1, DISPATCH_PROPERTYPUT, 1); // Value = 5, must wait
    put.u16(VT_I4);
    put.i32(5);
    put.u32(1);
    put.i32(DISPID_PROPERTYPUT);
    ASSERT_TRUE(client.send(put));
    wire::WireWriter get = client.invoke(free, 2, DISPATCH_PROPERTYGET, 0); // ProcessId of the other object
    get.u32(0);
    ASSERT_TRUE(client.send(get));

    // The other object of the same connection, and another client, are served meanwhile.
    auto first = client.receive(5000ms);
    ASSERT_TRUE(first);
    const auto served = parseInvokeReply(first->second);
    ASSERT_TRUE(served);
    EXPECT_EQ(5u, served->callId) << "the third request answered first";
    EXPECT_EQ(::getpid(), served->value);
    EXPECT_EQ(0, valueOf(other.get()));
    EXPECT_EQ(1, TestObject::waitingForRelease());

    TestObject::releaseWaiters();
    auto waited = client.receive(5000ms), stored = client.receive(5000ms);
    ASSERT_TRUE(waited && stored);
    const auto waitedReply = parseInvokeReply(waited->second), storedReply = parseInvokeReply(stored->second);
    ASSERT_TRUE(waitedReply && storedReply);
    EXPECT_EQ(3u, waitedReply->callId);
    EXPECT_EQ(0, waitedReply->value) << "the held Value = 5 ran only after the deferred call";
    EXPECT_EQ(4u, storedReply->callId);
    EXPECT_EQ(S_OK, storedReply->hr);
}

TEST_F(TransportLimitsTest, ACallToAServerThatDoesNotAnswerFailsAtItsDeadline)
{
    ComPtr<IDispatch> object;
    ASSERT_EQ(S_OK, createInstanceAt(server->socketPath(), CLSID_VelmoraTestObject, IID_IDispatch,
                                     object.putVoid()));
    ClientConnection::setCallTimeout(300ms);
    // The server's loop is held by a call (as a stopped server would hold it).
    Variant hold = Variant::i4(900), done;
    const auto start = Clock::now();
    EXPECT_EQ(RPC_E_TIMEOUT, callMethod(object.get(), "Sleep", {hold.get(), 1}, done.get()));
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, 290ms);
    EXPECT_LT(waited, 800ms);
    // The late reply is dropped: the connection goes on.
    ClientConnection::setCallTimeout(30s);
    EXPECT_EQ(0, valueOf(object.get()));
    // A member called SetupDialog waits as long as its dialog runs.
    ClientConnection::setCallTimeout(300ms);
    Variant dialog = Variant::i4(600);
    EXPECT_EQ(S_OK, callMethod(object.get(), "SetupDialog", {dialog.get(), 1}, done.get()));
    ClientConnection::setCallTimeout(30s);
}

} // namespace
