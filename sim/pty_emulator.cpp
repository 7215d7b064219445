#include "sim/pty_emulator.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

namespace velmora::sim {

namespace {

// How long a reply may wait for room on the line before it is dropped; the host reads
// continuously, so only a host that went away lets the queue fill up.
constexpr std::chrono::milliseconds kWriteLimit{1000};

bool makeRaw(int fd)
{
    struct termios t {};
    if (::tcgetattr(fd, &t) != 0)
        return false;
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    return ::tcsetattr(fd, TCSANOW, &t) == 0;
}

} // namespace

PtyEmulator::PtyEmulator(SerialProtocol& protocol) : m_protocol(protocol) {}

PtyEmulator::~PtyEmulator()
{
    stop();
}

bool PtyEmulator::start()
{
    if (running())
        return true;
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char path[128] = {};
    bool ok = m_master >= 0 && ::grantpt(m_master) == 0 && ::unlockpt(m_master) == 0 &&
              ::ptsname_r(m_master, path, sizeof path) == 0;
    if (ok) {
        m_slavePath = path;
        m_slave = ::open(path, O_RDWR | O_NOCTTY | O_CLOEXEC);
        m_wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        ok = m_slave >= 0 && m_wake >= 0 && makeRaw(m_slave) &&
             ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK) == 0;
    }
    if (!ok) {
        closeDescriptors();
        return false;
    }
    try {
        m_thread = std::thread([this] {
            try {
                run();
            } catch (...) {
                // Out of memory in a reply: the emulated device goes silent, the
                // process goes on.
                std::fprintf(stderr, "pty emulator: stopped by a failure\n");
            }
        });
    } catch (...) {
        closeDescriptors();
        return false;
    }
    return true;
}

void PtyEmulator::stop()
{
    if (m_thread.joinable()) {
        std::uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(m_wake, &one, sizeof one);
        m_thread.join();
    }
    closeDescriptors();
}

void PtyEmulator::closeDescriptors()
{
    std::lock_guard lock(m_writeMutex);
    for (int* fd : {&m_master, &m_slave, &m_wake}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
    m_slavePath.clear();
}

bool PtyEmulator::waitForStop(std::chrono::milliseconds timeout)
{
    struct pollfd p {
        m_wake, POLLIN, 0
    };
    return ::poll(&p, 1, static_cast<int>(timeout.count())) > 0;
}

void PtyEmulator::run()
{
    char bytes[256];
    for (;;) {
        struct pollfd p[2] = {{m_master, POLLIN, 0}, {m_wake, POLLIN, 0}};
        if (::poll(p, 2, -1) < 0 && errno != EINTR)
            return;
        if (p[1].revents)
            return;
        ssize_t n = (p[0].revents & POLLIN) ? ::read(m_master, bytes, sizeof bytes) : -1;
        if (n > 0) {
            for (ssize_t i = 0; i < n; ++i)
                handleByte(bytes[i]);
        } else if (p[0].revents & (POLLHUP | POLLERR)) {
            // The line is down for a moment; do not spin on it.
            if (waitForStop(std::chrono::milliseconds(10)))
                return;
        }
    }
}

void PtyEmulator::handleByte(char byte)
{
    EmulatorFaults faults;
    long long index = 0;
    {
        std::lock_guard lock(m_mutex);
        faults = m_faults;
        index = m_bytesSinceFaults++;
        if (m_received.size() >= kReceivedCapacity)
            m_received.erase(0, kReceivedCapacity / 2);
        m_received += byte;
        ++m_receivedCount;
    }
    std::string reply = m_protocol.onByte(byte);
    if (faults.silent)
        return;
    if (index != faults.dropEchoOfByte && !send(std::string_view(&byte, 1), faults))
        return;
    if (reply.empty())
        return;
    reply = shapeReply(std::move(reply), faults);
    if (faults.replyDelay.count() > 0 && waitForStop(faults.replyDelay))
        return;
    if (!send(reply, faults))
        return;
    {
        std::lock_guard lock(m_mutex);
        ++m_repliesSent;
    }
    m_replySent.notify_all();
}

std::size_t PtyEmulator::repliesSent() const
{
    std::lock_guard lock(m_mutex);
    return m_repliesSent;
}

bool PtyEmulator::waitForRepliesSent(std::size_t count, std::chrono::milliseconds limit) const
{
    std::unique_lock lock(m_mutex);
    return m_replySent.wait_for(lock, limit, [&] { return m_repliesSent >= count; });
}

bool PtyEmulator::send(std::string_view bytes, const EmulatorFaults& faults)
{
    if (faults.byteInterval.count() <= 0)
        return writeAll(bytes);
    for (char byte : bytes) {
        if (waitForStop(faults.byteInterval) || !writeAll(std::string_view(&byte, 1)))
            return false;
    }
    return true;
}

std::string PtyEmulator::shapeReply(std::string reply, const EmulatorFaults& faults)
{
    std::lock_guard lock(m_mutex);
    if (m_nextReply) {
        reply = std::move(*m_nextReply);
        m_nextReply.reset();
        return reply;
    }
    if (faults.overlongReplies)
        return std::string(kOverlongLength, 'O') + "\n\r";
    if (faults.garbageReplies) {
        std::uniform_int_distribution<int> length(1, 40);
        std::uniform_int_distribution<int> value(0, 255);
        std::string garbage;
        for (int n = length(m_random); n > 0; --n) {
            char c = static_cast<char>(value(m_random));
            garbage += c == '\n' ? '?' : c; // no early line end
        }
        return garbage + "\n\r";
    }
    return reply;
}

bool PtyEmulator::writeAll(std::string_view bytes)
{
    std::lock_guard lock(m_writeMutex);
    if (m_master < 0)
        return false;
    while (!bytes.empty()) {
        ssize_t n = ::write(m_master, bytes.data(), bytes.size());
        if (n > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return false;
        struct pollfd p[2] = {{m_master, POLLOUT, 0}, {m_wake, POLLIN, 0}};
        if (::poll(p, 2, static_cast<int>(kWriteLimit.count())) <= 0 || p[1].revents)
            return false;
    }
    return true;
}

void PtyEmulator::setFaults(const EmulatorFaults& faults)
{
    std::lock_guard lock(m_mutex);
    m_faults = faults;
    m_bytesSinceFaults = 0;
    m_random.seed(faults.seed);
}

void PtyEmulator::replaceNextReply(std::string bytes)
{
    std::lock_guard lock(m_mutex);
    m_nextReply = std::move(bytes);
}

bool PtyEmulator::inject(std::string_view bytes)
{
    return running() && writeAll(bytes);
}

std::string PtyEmulator::takeReceived()
{
    std::lock_guard lock(m_mutex);
    std::string received;
    received.swap(m_received);
    return received;
}

std::size_t PtyEmulator::receivedCount() const
{
    std::lock_guard lock(m_mutex);
    return m_receivedCount;
}

} // namespace velmora::sim
