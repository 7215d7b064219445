// The loops that serve a local server's calls.
#include "platform/automation/plain_loop.h"
#include "platform/automation/qt_executor.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <new>
#include <stdexcept>
#include <thread>

using namespace velmora::automation;

namespace {

struct SocketPair {
    int fds[2] = {-1, -1};
    SocketPair() { ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds); }
    ~SocketPair()
    {
        ::close(fds[0]);
        ::close(fds[1]);
    }
    void poke() { [[maybe_unused]] auto n = ::write(fds[1], "x", 1); }
    void drain()
    {
        char c;
        [[maybe_unused]] auto n = ::recv(fds[0], &c, 1, MSG_DONTWAIT);
    }
};

// The QCoreApplication a Qt loop needs, with its command line.
struct QtProgram {
    int argc = 1;
    char name[16] = "executor_test";
    char* argv[2] = {name, nullptr};
    QCoreApplication app{argc, argv};
};

// Runs a Qt event loop (nested in the running one, if any) until `done` holds, for 5 s
// at the most.
void runQtLoopUntil(const std::function<bool()>& done)
{
    QEventLoop loop;
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (done())
            loop.quit();
    });
    poll.start(1);
    loop.exec();
}

TEST(PlainLoopTest, WatchesPostsAndNestedLoops)
{
    PlainLoop loop;
    SocketPair pair;
    int readable = 0;
    loop.watch(pair.fds[0], [&] {
        pair.drain();
        ++readable;
        if (readable == 2)
            loop.unwatch(pair.fds[0]); // from inside its own callback
    });
    pair.poke();
    loop.runOnce(std::chrono::milliseconds(1000));
    EXPECT_EQ(1, readable);

    // A nested loop run from a posted task keeps serving the fd.
    bool nestedSawIt = false;
    loop.post([&] {
        pair.poke();
        nestedSawIt = loop.runUntil([&] { return readable == 2; }, std::chrono::milliseconds(2000));
        loop.quit();
    });
    std::thread([&] { loop.post([] {}); }).join(); // posts from another thread wake it too
    loop.run();
    EXPECT_TRUE(nestedSawIt);
    pair.poke();
    loop.runOnce(std::chrono::milliseconds(50));
    EXPECT_EQ(2, readable); // unwatched
    EXPECT_FALSE(loop.runUntil([] { return false; }, std::chrono::milliseconds(20)));
}

TEST(QtExecutorTest, ServesFdsAndPostsOnTheQtLoopIncludingNestedLoops)
{
    QtProgram program;
    QtExecutor executor;
    SocketPair pair;
    int readable = 0;
    executor.watch(pair.fds[0], [&] {
        pair.drain();
        ++readable;
    });
    bool posted = false;
    std::thread([&] { executor.post([&] { posted = true; }); }).join();
    pair.poke();
    // A nested loop, as a modal dialog runs one.
    QEventLoop nested;
    QTimer::singleShot(0, [&] {
        runQtLoopUntil([&] { return readable == 1 && posted; });
        nested.quit();
    });
    nested.exec();
    EXPECT_EQ(1, readable);
    EXPECT_TRUE(posted);
    executor.unwatch(pair.fds[0]);
    pair.poke();
    QCoreApplication::processEvents();
    EXPECT_EQ(1, readable);
}

// A callback that throws is reported and the loop serves on: nothing unwinds through it.
TEST(PlainLoopTest, ACallbackThatThrowsIsReportedAndTheLoopGoesOn)
{
    PlainLoop loop;
    SocketPair pair;
    int served = 0;
    loop.watch(pair.fds[0], [&] {
        pair.drain();
        loop.unwatch(pair.fds[0]);
        throw std::runtime_error("watched");
    });
    loop.post([] { throw std::bad_alloc(); });
    loop.postDelayed(std::chrono::milliseconds(0), [] { throw 7; });
    loop.post([&] { ++served; });
    pair.poke();
    for (int round = 0; round < 4; ++round)
        loop.runOnce(std::chrono::milliseconds(1000));
    loop.post([&] {
        ++served;
        loop.quit();
    });
    loop.run();
    EXPECT_EQ(2, served);
}

TEST(QtExecutorTest, ACallbackThatThrowsIsReportedAndTheQtLoopGoesOn)
{
    QtProgram program;
    QtExecutor executor;
    SocketPair pair;
    bool watched = false;
    executor.watch(pair.fds[0], [&] {
        pair.drain();
        watched = true;
        executor.unwatch(pair.fds[0]); // its notifier retires while its signal runs
        throw std::bad_alloc();
    });
    executor.post([] { throw std::runtime_error("posted"); });
    executor.postDelayed(std::chrono::milliseconds(0), [] { throw 7; });
    pair.poke();
    bool after = false;
    executor.postDelayed(std::chrono::milliseconds(1), [&] { after = true; });
    runQtLoopUntil([&] { return watched && after; });
    EXPECT_TRUE(watched);
    EXPECT_TRUE(after);
}

} // namespace
