// The protocol over real loopback sockets, driven from one thread: greeting, answers
// and errors, and every bound (line size, unsent output, clients, descriptors).
#include "client/remote/event_server.h"
#include "client/remote/fake_guider_backend.h"
#include "client/remote/remote_guider.h"
#include "client/remote/scripted_client.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace velmora::client::remote {
namespace {

class ProtocolServer : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_server.setHandler(&m_guider);
        ListenAddress where;
        where.port = 0;
        ASSERT_EQ(m_server.listen(where), std::nullopt);
    }

    std::unique_ptr<ScriptedClient> connect()
    {
        auto client = std::make_unique<ScriptedClient>(m_server.port(), [this] { m_server.poll(0); });
        EXPECT_TRUE(client->connected());
        return client;
    }

    // Connects and reads past the greeting (Version, LockPositionSet when connected, AppState).
    std::unique_ptr<ScriptedClient> connectPastGreeting()
    {
        auto client = connect();
        for (;;) {
            const std::optional<std::string> line = client->readLine();
            if (!line || Json::parse(*line)["Event"] == "AppState")
                return client;
        }
    }

    static Json read(ScriptedClient& client)
    {
        const std::optional<std::string> line = client.readLine();
        return line ? Json::parse(*line) : Json();
    }

    // The answer to a request, skipping events sent meanwhile.
    static Json ask(ScriptedClient& client, const std::string& request)
    {
        client.sendLine(request);
        for (;;) {
            Json message = read(client);
            if (message.is_null() || !message.contains("Event"))
                return message;
        }
    }

    double m_now = 1700000000.25;
    double m_monotonic = 0.0;
    EventServer m_server{[this] { return m_now; }, "scope-pi", "velmora test"};
    FakeGuiderBackend m_backend;
    RemoteGuider m_guider{m_backend, m_server, [this] { return m_monotonic; }, 7};
};

TEST_F(ProtocolServer, GreetsWithVersionThenAppStateCarryingTheCommonAttributes)
{
    auto client = connect();
    const Json version = read(*client);
    EXPECT_EQ(version.begin().key(), "Event") << "the event name leads, as clients scan for it";
    EXPECT_EQ(version["Event"], "Version");
    EXPECT_DOUBLE_EQ(version["Timestamp"].get<double>(), 1700000000.25);
    EXPECT_EQ(version["Host"], "scope-pi");
    EXPECT_EQ(version["Inst"], 1);
    EXPECT_EQ(version["MsgVersion"], 1);
    EXPECT_EQ(version["PHDVersion"], "2.6.11");
    EXPECT_EQ(version["PHDSubver"], "velmora test");
    const Json state = read(*client);
    EXPECT_EQ(state["Event"], "AppState");
    EXPECT_EQ(state["State"], "Stopped");

    m_backend.m_connected = true;
    auto second = connect();
    EXPECT_EQ(read(*second)["Event"], "Version");
    const Json lock = read(*second);
    EXPECT_EQ(lock["Event"], "LockPositionSet");
    EXPECT_EQ(lock["X"], 320.0);
    EXPECT_EQ(read(*second)["Event"], "AppState");
}

TEST_F(ProtocolServer, AnswersCarryTheIdAndMalformedLinesGetErrorsWithTheConnectionKept)
{
    auto client = connectPastGreeting();
    const Json state = ask(*client, R"({"method":"get_app_state","id":"a1"})");
    EXPECT_EQ(state, Json::parse(R"({"jsonrpc":"2.0","result":"Stopped","id":"a1"})"));

    struct Case {
        const char* line;
        int code;
    };
    const Case cases[] = {
        {"this is not json", rpc::kParseError},
        {R"({"method":"get_app_state","id":1)", rpc::kParseError},
        {"[1,2,3]", rpc::kInvalidRequest},
        {R"({"id":5})", rpc::kInvalidRequest},
        {R"({"method":42,"id":5})", rpc::kInvalidRequest},
        {R"({"method":"get_app_state","id":{"x":1}})", rpc::kInvalidRequest},
        {R"({"method":"get_app_state","params":7,"id":9})", rpc::kInvalidParams},
        {R"({"method":"no_such_method","id":10})", rpc::kMethodNotFound},
        {"\xff\xfe{\"method\":\"loop\"}", rpc::kParseError},
    };
    for (const Case& c : cases) {
        const Json answer = ask(*client, c.line);
        ASSERT_TRUE(answer.contains("error")) << c.line;
        EXPECT_EQ(answer["jsonrpc"], "2.0");
        EXPECT_EQ(answer["error"]["code"], c.code) << c.line;
        EXPECT_TRUE(answer["error"]["message"].is_string());
        EXPECT_TRUE(answer.contains("id"));
    }
    EXPECT_EQ(ask(*client, R"({"method":"no_such_method","id":10})")["id"], 10);
    // A notification (no id) is carried out without an answer; blank lines are ignored.
    m_backend.m_connected = true;
    client->sendLine(R"({"method":"loop"})");
    client->sendLine("   ");
    EXPECT_EQ(ask(*client, R"({"method":"get_app_state","id":2})")["result"], "Looping");
}

TEST_F(ProtocolServer, AMebibyteLineIsRefusedOnceAndTheNextRequestIsAnswered)
{
    auto client = connectPastGreeting();
    client->sendText(R"({"method":"get_app_state","params":[")" + std::string(1 << 20, 'x') +
                     "\"],\"id\":1}\r\n");
    const Json refusal = read(*client);
    EXPECT_EQ(refusal["error"]["code"], rpc::kInvalidRequest);
    EXPECT_NE(refusal["error"]["message"].get<std::string>().find("65536"), std::string::npos);
    EXPECT_TRUE(refusal["id"].is_null());
    EXPECT_EQ(ask(*client, R"({"method":"get_app_state","id":2})")["result"], "Stopped");
    EXPECT_LT(m_server.bufferedBytes(), 4 * LineServer::kMaxLineBytes) << "the long line was not kept";
}

TEST_F(ProtocolServer, TheLargestStarImageFitsAClientsOutputBound)
{
    m_backend.m_connected = true;
    m_backend.m_hasFrame = true;
    auto client = connectPastGreeting();
    ASSERT_TRUE(ask(*client, R"({"method":"find_star","id":1})")["result"].is_array());
    EXPECT_EQ(ask(*client, R"({"method":"get_star_image","params":[1024],"id":2})")["error"]["code"],
              rpc::kInvalidParams);
    const Json image = ask(*client, R"({"method":"get_star_image","params":[256],"id":3})");
    ASSERT_TRUE(image.contains("result")) << image.dump().substr(0, 200);
    EXPECT_EQ(image["result"]["pixels"].get<std::string>().size(), (256u * 256u * 2u + 2u) / 3u * 4u);
    EXPECT_EQ(m_server.clientCount(), 1u);
}

TEST_F(ProtocolServer, AClientThatNeverReadsIsDroppedWhileTheOthersGetEveryEvent)
{
    auto stalled = connect(); // never reads
    auto reader = connectPastGreeting();
    const Json big = {{"Msg", std::string(8 * 1024, 'a')}, {"Type", "info"}};
    int received = 0;
    const int events = 16 * static_cast<int>(LineServer::kMaxOutgoingBytes / (8 * 1024));
    for (int i = 0; i < events; ++i) {
        m_server.event("Alert", big); // never blocks: the socket is non-blocking
        m_server.poll(0);
        while (reader->readLine(std::chrono::milliseconds(0)))
            ++received;
    }
    while (received < events && reader->readLine())
        ++received;
    EXPECT_EQ(received, events);
    EXPECT_EQ(m_server.clientCount(), 1u);
    EXPECT_TRUE(stalled->closedByServer());
}

TEST_F(ProtocolServer, AHundredClientsComeAndGoWithoutLeakingAndOnlySixteenAreServed)
{
    const int descriptorsBefore = openFileDescriptors();
    for (int round = 0; round < 100; ++round) {
        auto client = connect();
        EXPECT_EQ(read(*client)["Event"], "Version");
        client->close();
        m_server.poll(0);
    }
    for (int i = 0; i < 10 && m_server.clientCount() > 0; ++i)
        m_server.poll(10);
    EXPECT_EQ(m_server.clientCount(), 0u);
    EXPECT_EQ(m_server.bufferedBytes(), 0u);
    EXPECT_EQ(openFileDescriptors(), descriptorsBefore);

    std::vector<std::unique_ptr<ScriptedClient>> served;
    for (std::size_t i = 0; i < LineServer::kMaxClients; ++i) {
        served.push_back(connect());
        EXPECT_EQ(read(*served.back())["Event"], "Version");
    }
    auto extra = connect();
    EXPECT_TRUE(extra->closedByServer()) << "the 17th client is closed, not left waiting";
    EXPECT_EQ(m_server.clientCount(), LineServer::kMaxClients);
    EXPECT_EQ(ask(*served.front(), R"({"method":"get_paused","id":3})")["result"], false);
}

TEST(LineServerListen, LoopbackByDefaultAndTheNextPortWhenTaken)
{
    struct Quiet : LineServerListener {
        void clientConnected(ClientId) override {}
        void lineReceived(ClientId, std::string_view) override {}
        void lineTooLong(ClientId) override {}
        void clientDisconnected(ClientId) override {}
    } quiet;
    EXPECT_EQ(ListenAddress().address, "127.0.0.1");
    EXPECT_EQ(ListenAddress().port, 4400);
    LineServer first(quiet);
    ListenAddress any;
    any.port = 0;
    ASSERT_EQ(first.listen(any), std::nullopt);
    // A second instance asked for the first one's port takes the next free one.
    LineServer second(quiet);
    ListenAddress taken;
    taken.port = first.port();
    taken.portsToTry = 10;
    const std::optional<std::string> error = second.listen(taken);
    if (!error) {
        EXPECT_GT(second.port(), first.port());
        EXPECT_LE(second.port(), first.port() + 9);
    }
    LineServer third(quiet);
    taken.portsToTry = 1;
    const std::optional<std::string> refused = third.listen(taken);
    ASSERT_TRUE(refused.has_value());
    EXPECT_NE(refused->find("in use"), std::string::npos) << *refused;
    EXPECT_TRUE(LineServer(quiet).listen({"localhost", 0, 1}).has_value()) << "an address, not a name";
    EXPECT_TRUE(LineServer(quiet).listen({"127.0.0.1", 70000, 1}).has_value());
}

} // namespace
} // namespace velmora::client::remote
