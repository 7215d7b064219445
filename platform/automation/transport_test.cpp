// The local-server transport with both ends in this process: a server thread with
// its own loop, the test thread as client.
#include "platform/automation/apartment.h"
#include "platform/automation/bstr.h"
#include "platform/automation/client_connection.h"
#include "platform/automation/dispatch_calls.h"
#include "platform/automation/error_info.h"
#include "platform/automation/remote_activation.h"
#include "platform/automation/safe_array.h"
#include "platform/automation/socket_io.h"
#include "platform/automation/testserver/server_thread.h"
#include "platform/automation/testserver/test_object.h"
#include "platform/automation/window_messages.h"
#include "platform/automation/wire_writer.h"
#include "testing/process_usage.h"
#include "testing/temp_home.h"

#include "testing/eventually.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <random>
#include <thread>

using namespace velmora::automation;
using namespace velmora::automation::testing;
using velmora::testing::eventually;
using velmora::testing::openFdCount;
using velmora::testing::residentBytes;

namespace {

class TransportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        ASSERT_EQ(S_OK, server->status());
    }
    void TearDown() override { CoUninitialize(); }

    ComPtr<IDispatch> create()
    {
        ComPtr<IDispatch> object;
        EXPECT_EQ(S_OK, createInstanceAt(server->socketPath(), CLSID_VelmoraTestObject, IID_IDispatch,
                                         object.putVoid()));
        return object;
    }
    LONG getI4(IDispatch* object, const char* name)
    {
        Variant value;
        EXPECT_EQ(S_OK, getProperty(object, name, value.get()));
        return value->lVal;
    }
    void put(IDispatch* object, const char* name, LONG value)
    {
        EXPECT_EQ(S_OK, putProperty(object, name, *Variant::i4(value).get()));
    }

    velmora::testing::TempHome home;
    std::unique_ptr<ServerThread> server = std::make_unique<ServerThread>();
};

TEST_F(TransportTest, ObjectsAreIndependentAndArgumentsArriveInDeclarationOrder)
{
    ComPtr<IDispatch> a = create(), b = create();
    put(a.get(), "Value", 5);
    put(b.get(), "Value", 9);
    EXPECT_EQ(5, getI4(a.get(), "value")); // names ignore case
    EXPECT_EQ(9, getI4(b.get(), "VALUE"));
    EXPECT_EQ(2, getI4(a.get(), "ObjectCount"));

    Variant args[] = {Variant::string("first"), Variant::string("second"), Variant::string("third")};
    VARIANT raw[] = {*args[0].get(), *args[1].get(), *args[2].get()};
    Variant joined;
    ASSERT_EQ(S_OK, callMethod(a.get(), "Concat", raw, joined.get()));
    EXPECT_EQ("first|second|third", bstrToUtf8(joined->bstrVal));

    VARIANT numbers[] = {*Variant::r8(10.5).get(), *Variant::i4(3).get()};
    Variant difference;
    ASSERT_EQ(S_OK, callMethod(a.get(), "Subtract", numbers, difference.get()));
    EXPECT_EQ(VT_R8, difference->vt);
    EXPECT_DOUBLE_EQ(7.5, difference->dblVal);
}

TEST_F(TransportTest, FailuresKeepTheirSourceDescriptionAndArgumentPosition)
{
    ComPtr<IDispatch> object = create();
    Variant text = Variant::string("Not Connected");
    EXCEPINFO exception;
    Variant ignored;
    EXPECT_EQ(DISP_E_EXCEPTION, callMethod(object.get(), "Fail", {text.get(), 1}, ignored.get(), &exception));
    EXPECT_EQ("VelmoraTest.Object.1", bstrToUtf8(exception.bstrSource));
    EXPECT_EQ("Not Connected", bstrToUtf8(exception.bstrDescription));
    EXPECT_EQ(DISP_E_EXCEPTION, exception.scode);
    ClearExcepInfo(&exception);
    // Without an exception record the code still says what happened.
    EXPECT_EQ(DISP_E_EXCEPTION, callMethod(object.get(), "Fail", {text.get(), 1}, nullptr));

    DISPID id = 0;
    EXPECT_EQ(DISP_E_UNKNOWNNAME, getIdOfName(object.get(), "NoSuchMember", id));
    EXPECT_EQ(DISPID_UNKNOWN, id);
    ASSERT_EQ(S_OK, getIdOfName(object.get(), "Subtract", id));
    Variant word = Variant::string("seven"), one = Variant::i4(1);
    VARIANT reversed[] = {*one.get(), *word.get()}; // Subtract("seven", 1)
    DISPPARAMS params{reversed, nullptr, 2, 0};
    UINT argError = 99;
    EXPECT_EQ(DISP_E_TYPEMISMATCH,
              object->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, &argError));
    EXPECT_EQ(1u, argError);
    params.cArgs = 1;
    params.rgvarg = &reversed[1];
    EXPECT_EQ(DISP_E_BADPARAMCOUNT,
              object->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr));
}

TEST_F(TransportTest, CopyDataReachesTheCallingThreadBeforeTheCallReturns)
{
    ComPtr<IDispatch> object = create();
    std::atomic<bool> inCall{false};
    std::thread::id seenOn;
    std::vector<std::int32_t> received;
    WPARAM seenWParam = 0;
    ULONG_PTR seenTag = 0;
    const HWND window = RegisterWindowProc([&](HWND, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
        EXPECT_TRUE(inCall.load());
        EXPECT_EQ(WM_COPYDATA, msg);
        const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        const auto* values = static_cast<const std::int32_t*>(copy->lpData);
        received.assign(values, values + copy->cbData / sizeof(std::int32_t));
        seenOn = std::this_thread::get_id();
        seenWParam = wParam;
        seenTag = copy->dwData;
        return 77;
    });
    // A small block travels in the message, a large one through shared memory.
    for (LONG count : {1000, 640 * 480 * 3}) {
        received.clear();
        Variant handle = Variant::i8(static_cast<LONGLONG>(window));
        Variant size = Variant::i4(count);
        VARIANT args[] = {*handle.get(), *size.get()};
        Variant answer;
        inCall = true;
        ASSERT_EQ(S_OK, callMethod(object.get(), "SendCopyData", args, answer.get()));
        inCall = false;
        EXPECT_EQ(77, answer->llVal);
        EXPECT_EQ(std::this_thread::get_id(), seenOn);
        EXPECT_EQ(static_cast<WPARAM>(count), seenWParam);
        EXPECT_EQ(0x1234u, seenTag);
        ASSERT_EQ(static_cast<std::size_t>(count), received.size());
        EXPECT_EQ(1, received.front());
        EXPECT_EQ((count - 1) * 3 + 1, received.back());
    }
    UnregisterWindowProc(window);

    // A handle this client never registered answers 0 and runs nothing.
    Variant stranger = Variant::i8(static_cast<LONGLONG>(window));
    Variant size = Variant::i4(4);
    VARIANT args[] = {*stranger.get(), *size.get()};
    Variant answer;
    received.clear();
    ASSERT_EQ(S_OK, callMethod(object.get(), "SendCopyData", args, answer.get()));
    EXPECT_EQ(0, answer->llVal);
    EXPECT_TRUE(received.empty());
}

TEST_F(TransportTest, TwoThreadsCallOneProxyAtOnce)
{
    ComPtr<IDispatch> object = create();
    auto worker = [&](const std::string& tag, int& good) {
        for (int i = 0; i < 300; ++i) {
            Variant a = Variant::string(tag), b = Variant::string(std::to_string(i)),
                    c = Variant::string("z");
            VARIANT args[] = {*a.get(), *b.get(), *c.get()};
            Variant out;
            if (callMethod(object.get(), "Concat", args, out.get()) == S_OK &&
                bstrToUtf8(out->bstrVal) == tag + "|" + std::to_string(i) + "|z")
                ++good;
        }
    };
    int goodA = 0, goodB = 0;
    std::thread first([&] { worker("A", goodA); });
    std::thread second([&] { worker("B", goodB); });
    first.join();
    second.join();
    EXPECT_EQ(300, goodA);
    EXPECT_EQ(300, goodB);
}

TEST_F(TransportTest, ANestedLoopInACallKeepsServingOtherCalls)
{
    ComPtr<IDispatch> object = create();
    std::atomic<bool> modalReturned{false};
    std::atomic<bool> othersDoneFirst{false};
    LONG servedDuring = 0;
    const int loopsBefore = TestObject::nestedLoopsEntered();
    std::thread modal([&] {
        Variant time = Variant::i4(600);
        Variant served;
        EXPECT_EQ(S_OK, callMethod(object.get(), "ModalLoop", {time.get(), 1}, served.get()));
        servedDuring = served->lVal;
        modalReturned = true;
    });
    ASSERT_TRUE(TestObject::waitForNestedLoops(loopsBefore + 1, std::chrono::seconds(5)));
    for (int i = 0; i < 10; ++i)
        getI4(object.get(), "Value");
    othersDoneFirst = !modalReturned.load();
    modal.join();
    EXPECT_TRUE(othersDoneFirst);
    EXPECT_GE(servedDuring, 10);
}

TEST_F(TransportTest, ObjectsAndVariantArraysComeBackFromResults)
{
    ComPtr<IDispatch> object = create();
    Variant child;
    ASSERT_EQ(S_OK, getProperty(object.get(), "Child", child.get()));
    ASSERT_EQ(VT_DISPATCH, child->vt);
    put(child->pdispVal, "Value", 42);
    EXPECT_EQ(42, getI4(child->pdispVal, "Value"));
    EXPECT_EQ(0, getI4(object.get(), "Value"));

    Variant names;
    ASSERT_EQ(S_OK, getProperty(object.get(), "Names", names.get()));
    ASSERT_EQ(VT_ARRAY | VT_VARIANT, names->vt);
    auto* items = static_cast<VARIANT*>(names->parray->pvData);
    EXPECT_EQ("alpha", bstrToUtf8(items[0].bstrVal));
    EXPECT_EQ(2, items[1].lVal);
    EXPECT_EQ(VARIANT_TRUE, items[2].boolVal);
}

TEST_F(TransportTest, ValuesOfEveryTypeSurviveTheRoundTrip)
{
    ComPtr<IDispatch> object = create();
    std::vector<Variant> values;
    values.push_back(Variant::i2(-2));
    values.push_back(Variant::i8(-(1LL << 40)));
    values.push_back(Variant::r8(0.1));
    values.push_back(Variant::boolean(true));
    const OLECHAR withNul[] = {u'a', 0, u'b'};
    Variant text;
    text->vt = VT_BSTR;
    text->bstrVal = SysAllocStringLen(withNul, 3);
    values.push_back(std::move(text));
    Variant date, error, null, byteValue, strings;
    date->vt = VT_DATE, date->date = 45000.25;
    error->vt = VT_ERROR, error->scode = E_FAIL; // DISP_E_PARAMNOTFOUND would mean "missing"
    null->vt = VT_NULL;
    byteValue->vt = VT_UI1, byteValue->bVal = 200;
    SAFEARRAY* list = SafeArrayCreateVector(VT_BSTR, 5, 2);
    LONG index = 6;
    SafeArrayPutElement(list, &index, Variant::string("six")->bstrVal);
    strings = Variant::array(list);
    for (Variant* v : {&date, &error, &null, &byteValue, &strings})
        values.push_back(std::move(*v));
    for (const Variant& value : values) {
        Variant echoed;
        ASSERT_EQ(S_OK, callMethod(object.get(), "Echo", {value.get(), 1}, echoed.get()));
        ASSERT_EQ(value->vt, echoed->vt);
        if (value->vt == VT_BSTR) {
            EXPECT_EQ(bstrView(value->bstrVal), bstrView(echoed->bstrVal));
        } else if (value->vt & VT_ARRAY) {
            LONG lower = 0;
            SafeArrayGetLBound(echoed->parray, 1, &lower);
            EXPECT_EQ(5, lower);
            BSTR six = nullptr;
            SafeArrayGetElement(echoed->parray, &index, &six);
            EXPECT_EQ("six", bstrToUtf8(six));
            SysFreeString(six);
        } else {
            EXPECT_EQ(value->llVal, echoed->llVal) << value->vt;
        }
    }
}

TEST_F(TransportTest, LargeArraysStayValidWhileHeldAndBuffersAreReused)
{
    ComPtr<IDispatch> object = create();
    put(object.get(), "ImageWidth", 640);
    put(object.get(), "ImageHeight", 480);
    put(object.get(), "ImagePlanes", 3);
    auto check = [](const Variant& image) {
        ASSERT_EQ(VT_ARRAY | VT_I4, image->vt);
        ASSERT_EQ(3u, SafeArrayGetDim(image->parray));
        LONG upper = 0;
        SafeArrayGetUBound(image->parray, 3, &upper);
        EXPECT_EQ(2, upper);
        const LONG at[] = {639, 479, 2};
        std::int32_t value = 0;
        SafeArrayGetElement(image->parray, at, &value);
        EXPECT_EQ(imageValue(639, 479, 2), value);
    };
    Variant first, second, third;
    ASSERT_EQ(S_OK, getProperty(object.get(), "ImageArray", first.get()));
    ASSERT_EQ(S_OK, getProperty(object.get(), "ImageArray", second.get())); // first still held
    check(first);
    check(second);
    EXPECT_NE(first->parray->pvData, second->parray->pvData);
    const void* firstData = first->parray->pvData;
    first.put();
    ASSERT_EQ(S_OK, getProperty(object.get(), "ImageArray", third.get()));
    check(third);
    EXPECT_EQ(firstData, third->parray->pvData); // the freed buffer came back
}

TEST_F(TransportTest, AConnectionThatEndsReleasesWhatItHeld)
{
    const int before = TestObject::liveObjects();
    {
        auto other = std::make_shared<ClientConnection>(connectUnix(server->socketPath()));
        std::uint32_t id = 0;
        ASSERT_EQ(S_OK, other->createInstance(CLSID_VelmoraTestObject, id));
        ASSERT_EQ(S_OK, other->createInstance(CLSID_VelmoraTestObject, id));
        EXPECT_EQ(before + 2, TestObject::liveObjects());
    }
    EXPECT_TRUE(eventually([&] { return TestObject::liveObjects() == before; }));
}

TEST_F(TransportTest, AServerThatGoesAwayGivesDisconnected)
{
    ComPtr<IDispatch> object = create();
    put(object.get(), "Value", 1);
    server.reset();
    Variant value;
    EXPECT_EQ(RPC_E_DISCONNECTED, getProperty(object.get(), "Value", value.get()));
    EXPECT_EQ(RPC_E_DISCONNECTED, getProperty(object.get(), "Value", value.get()));
}

// Sends raw bytes on a connection of its own and reports whether the server ended it.
bool serverHangsUp(const std::string& path, const std::vector<std::uint8_t>& bytes, bool closeAfter)
{
    const int fd = connectUnix(path);
    if (fd < 0)
        return false;
    sendAll(fd, bytes.data(), bytes.size(), -1, std::chrono::milliseconds(1000));
    if (closeAfter) {
        ::close(fd);
        return true;
    }
    timeval timeout{5, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    std::uint8_t byte = 0;
    const ssize_t n = ::recv(fd, &byte, 1, 0);
    ::close(fd);
    return n == 0;
}

TEST_F(TransportTest, OversizedOrBadMessagesEndOnlyTheirConnection)
{
    ComPtr<IDispatch> object = create();
    std::vector<std::uint8_t> huge = {0x01, 0x00, 0x00, 0x20, 3, 0, 0, 0}; // 512 MiB + 1
    EXPECT_TRUE(serverHangsUp(server->socketPath(), huge, false));
    std::vector<std::uint8_t> badTag = {0, 0, 0, 0, 99, 0, 0, 0};
    EXPECT_TRUE(serverHangsUp(server->socketPath(), badTag, false));
    wire::WireWriter release(wire::Tag::Release);
    release.u32(1);
    release.u32(2); // one field too many
    release.finish();
    EXPECT_TRUE(serverHangsUp(server->socketPath(), release.data(), false));
    // Object ids of nobody's objects are refused; the connection goes on.
    auto other = std::make_shared<ClientConnection>(connectUnix(server->socketPath()));
    DISPPARAMS none;
    EXPECT_EQ(RPC_E_INVALID_OBJECT,
              other->invoke(4242, 1, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, nullptr, nullptr, nullptr));
    std::u16string name = u"Value";
    LPOLESTR names[] = {name.data()};
    DISPID id = 0;
    EXPECT_EQ(RPC_E_INVALID_OBJECT, other->getIdsOfNames(4242, IID_NULL, names, 1, 0, &id));
    EXPECT_FALSE(other->broken());
    put(object.get(), "Value", 3);
    EXPECT_EQ(3, getI4(object.get(), "Value"));
}

TEST_F(TransportTest, TenThousandRandomOrTruncatedMessagesLeaveTheServerServing)
{
    ComPtr<IDispatch> object = create();
    put(object.get(), "Value", 1); // every lazily made part of both ends exists before the count
    const std::size_t fdsBefore = openFdCount();
    const std::size_t rssBefore = residentBytes();
    std::mt19937 random(1234);
    auto byte = [&] { return static_cast<std::uint8_t>(random() & 0xFF); };
    const int stray = ::open("/dev/null", O_RDONLY | O_CLOEXEC); // passed along now and then
    for (int i = 0; i < 10000; ++i) {
        std::vector<std::uint8_t> message;
        if (i % 3 == 0) { // noise
            message.resize(random() % 64);
            for (auto& b : message)
                b = byte();
        } else { // a plausible header with a random or cut-short body
            const std::uint32_t size = random() % 200;
            wire::WireWriter w(static_cast<wire::Tag>(1 + random() % 6));
            for (std::uint32_t k = 0; k < size; ++k)
                w.u8(byte());
            w.finish();
            message = w.data();
            if (i % 3 == 2)
                message.resize(random() % message.size());
        }
        const int fd = connectUnix(server->socketPath());
        ASSERT_GE(fd, 0) << i;
        sendAll(fd, message.data(), message.size(), i % 7 == 0 ? stray : -1, std::chrono::milliseconds(1000));
        ::close(fd);
    }
    ::close(stray);
    put(object.get(), "Value", 11);
    EXPECT_EQ(11, getI4(object.get(), "Value"));
    EXPECT_TRUE(eventually([] { return TestObject::liveObjects() == 1; }));
    // Every connection ended has given back its descriptors and its memory.
    EXPECT_TRUE(eventually([&] { return openFdCount() <= fdsBefore; }))
        << openFdCount() << " > " << fdsBefore;
    const std::size_t rssAfter = residentBytes();
    std::printf("[ figures  ] 10000 malformed messages: RSS %.1f -> %.1f MiB, fds %zu -> %zu\n",
                static_cast<double>(rssBefore) / (1 << 20), static_cast<double>(rssAfter) / (1 << 20),
                fdsBefore, openFdCount());
    if (velmora::testing::residentMemoryIsMeaningful()) {
        EXPECT_LT(rssAfter, rssBefore + (8u << 20));
    }
}

} // namespace

namespace {

TEST_F(TransportTest, ASuspendedServerRefusesNewObjectsAndRemovesItsSocket)
{
    server.reset();
    int released = 0;
    setServerReleasedHandler([&] { ++released; });
    server = std::make_unique<ServerThread>(creatorFor<TestObject>(true), CLSID_VelmoraTestObject);
    auto connection = std::make_shared<ClientConnection>(connectUnix(server->socketPath()));
    std::uint32_t id = 0;
    ASSERT_EQ(S_OK, connection->createInstance(CLSID_VelmoraTestObject, id));
    connection->release(id); // the last server lock goes
    EXPECT_TRUE(eventually([&] { return released == 1; }));
    EXPECT_EQ(CO_E_SERVER_STOPPING, connection->createInstance(CLSID_VelmoraTestObject, id));
    EXPECT_EQ(-1, connectUnix(server->socketPath()));
    setServerReleasedHandler({});
}

TEST_F(TransportTest, SendMessageOutsideACallReachesThisProcessesWindows)
{
    std::thread::id seenOn;
    const HWND window = RegisterWindowProc([&](HWND, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
        seenOn = std::this_thread::get_id();
        return static_cast<LRESULT>(msg + wParam + static_cast<WPARAM>(lParam));
    });
    EXPECT_EQ(WM_USER + 3, SendMessage(window, WM_USER, 1, 2));
    EXPECT_EQ(std::this_thread::get_id(), seenOn);
    EXPECT_TRUE(UnregisterWindowProc(window));
    EXPECT_FALSE(UnregisterWindowProc(window));
    EXPECT_EQ(0, SendMessage(window, WM_USER, 1, 2));
    EXPECT_LT(static_cast<std::uint64_t>(window), 0x80000000u);
}

// A "server" that answers the first request with the given bytes.
class HostileServer {
public:
    HostileServer(const std::string& path, std::vector<std::uint8_t> answer)
        : m_listener(listenUnix(path)), m_thread([this, answer] {
              pollfd incoming{m_listener, POLLIN, 0}; // the listener does not block
              ::poll(&incoming, 1, 10000);
              const int fd = ::accept(m_listener, nullptr, nullptr);
              std::uint8_t header[8];
              std::vector<int> fds;
              wire::Header h;
              if (fd >= 0 && receiveAll(fd, header, 8, fds) && wire::parseHeader(header, h)) {
                  std::vector<std::uint8_t> body(h.size);
                  receiveAll(fd, body.data(), body.size(), fds);
                  sendAll(fd, answer.data(), answer.size(), -1, std::chrono::milliseconds(1000));
              }
              if (fd >= 0)
                  ::close(fd);
          })
    {
    }
    ~HostileServer()
    {
        m_thread.join();
        ::close(m_listener);
    }

private:
    int m_listener;
    std::thread m_thread;
};

TEST_F(TransportTest, AClientSurvivesAServerThatAnswersGarbage)
{
    const std::string path = home.runtimeDir() + "/hostile.sock";
    auto reply = [](std::uint32_t callId, wire::Tag request, HRESULT hr) {
        wire::WireWriter w(wire::Tag::Reply);
        w.u32(callId);
        w.u8(static_cast<std::uint8_t>(request));
        w.i32(hr);
        return w;
    };
    std::vector<std::vector<std::uint8_t>> answers;
    answers.push_back({0xFF, 0xFF, 0xFF, 0xFF, 16, 0, 0, 0}); // oversized
    {
        wire::WireWriter w = reply(1, wire::Tag::Invoke, S_OK);
        w.u32(0);
        w.u8(0);
        w.u8(1);
        w.u16(VT_ARRAY | VT_I4);
        w.u8(2);
        w.u32(0x7FFFFFFF); // a huge array in a few bytes
        w.i32(0);
        w.u32(0x7FFFFFFF);
        w.i32(0);
        w.u8(0);
        w.finish();
        answers.push_back(w.data());
    }
    {
        wire::WireWriter w = reply(1, wire::Tag::Invoke, S_OK);
        w.u32(0);
        w.u8(0);
        w.u8(1);
        w.u16(VT_I4);
        w.u32(5);
        w.setFd(3); // claims an fd that never comes
        w.finish();
        answers.push_back(w.data());
    }
    {
        wire::WireWriter w = reply(1, wire::Tag::CreateInstance, S_OK); // answers the wrong request
        w.u32(1);
        w.finish();
        answers.push_back(w.data());
    }
    for (const auto& answer : answers) {
        HostileServer hostile(path, answer);
        auto connection = std::make_shared<ClientConnection>(connectUnix(path));
        DISPPARAMS none;
        Variant result;
        EXPECT_EQ(RPC_E_DISCONNECTED, connection->invoke(1, 1, IID_NULL, 0, DISPATCH_PROPERTYGET, &none,
                                                         result.get(), nullptr, nullptr));
        EXPECT_EQ(VT_EMPTY, result->vt);
        EXPECT_TRUE(connection->broken());
    }
}

// What a handler throws stops at the automation boundary: the call fails with a code
// and a description, on the loop and in a deferred call's work, and the server goes on
// with the next call.
TEST_F(TransportTest, AThrowingHandlerFailsItsCallWithErrorInformationAndTheServerGoesOn)
{
    ComPtr<IDispatch> object = create();
    put(object.get(), "Value", 17);
    struct Case {
        const char* member;
        const char* what;
        HRESULT code;
        std::string description;
    };
    const Case cases[] = {
        {"Throw", "bad_alloc", E_OUTOFMEMORY, "Out of memory"},
        {"Throw", "system_error", E_UNEXPECTED, "Unexpected failure: Resource temporarily unavailable"},
        {"Throw", "int", E_UNEXPECTED, "Unexpected failure"},
        {"ThrowLater", "bad_alloc", E_OUTOFMEMORY, "Out of memory"},
        {"ThrowLater", "int", E_UNEXPECTED, "Unexpected failure"},
    };
    for (const Case& c : cases) {
        Variant what = Variant::string(c.what);
        Variant result;
        EXCEPINFO exception{};
        EXPECT_EQ(DISP_E_EXCEPTION,
                  callMethod(object.get(), c.member, {what.get(), 1}, result.get(), &exception))
            << c.member << " " << c.what;
        EXPECT_EQ(c.code, exception.scode) << c.member << " " << c.what;
        EXPECT_EQ(c.description, bstrToUtf8(exception.bstrDescription)) << c.member << " " << c.what;
        EXPECT_EQ(VT_EMPTY, result->vt);
        ClearExcepInfo(&exception);
        EXPECT_EQ(17, getI4(object.get(), "Value")) << "the next call is served";
    }
    // Without an exception record the caller still learns of the failure.
    Variant what = Variant::string("bad_alloc");
    EXPECT_EQ(DISP_E_EXCEPTION, callMethod(object.get(), "Throw", {what.get(), 1}, nullptr));
    EXPECT_EQ(2, getI4(create().get(), "ObjectCount")) << "new objects too";
}

} // namespace
