#include "platform/ports/termios_serial_device.h"

// termios2 (asm/termbits.h) rather than <termios.h>: it takes any baud rate, which the
// speed lists need (14400 has no Bxxx constant). The two headers cannot be mixed.
#include <asm/termbits.h>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace velmora::platform {

namespace {

void makeRaw(struct termios2& t)
{
    t.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY | INPCK);
    t.c_oflag &= ~OPOST;
    t.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS | HUPCL);
    t.c_cflag |= CS8 | CLOCAL | CREAD;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
}

bool prepareLine(int fd)
{
    if (!::isatty(fd) || ::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return false;
    ::ioctl(fd, TIOCEXCL);
    struct termios2 t {};
    if (::ioctl(fd, TCGETS2, &t) != 0)
        return false;
    makeRaw(t);
    if (::ioctl(fd, TCSETS2, &t) != 0)
        return false;
    // DTR and RTS stay low, as with their control disabled; a pseudo-terminal has no
    // modem lines, so a refusal here is not an error.
    int lines = TIOCM_DTR | TIOCM_RTS;
    ::ioctl(fd, TIOCMBIC, &lines);
    ::ioctl(fd, TCFLSH, TCIOFLUSH);
    return true;
}

} // namespace

std::unique_ptr<TermiosSerialDevice> TermiosSerialDevice::open(const std::string& path)
{
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    if (!prepareLine(fd)) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<TermiosSerialDevice>(new TermiosSerialDevice(fd));
}

TermiosSerialDevice::~TermiosSerialDevice()
{
    // The exclusive flag belongs to the terminal, not to this descriptor: clear it, or a
    // terminal that stays open elsewhere (a pseudo-terminal pair) refuses the next open.
    ::ioctl(m_fd, TIOCNXCL);
    ::close(m_fd);
}

bool TermiosSerialDevice::configure(std::uint32_t baudRate)
{
    if (baudRate == 0)
        return false;
    struct termios2 t {};
    if (::ioctl(m_fd, TCGETS2, &t) != 0)
        return false;
    makeRaw(t);
    t.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    t.c_ispeed = baudRate;
    t.c_ospeed = baudRate;
    return ::ioctl(m_fd, TCSETS2, &t) == 0;
}

bool TermiosSerialDevice::waitFor(short events, std::chrono::milliseconds timeout) const
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        struct pollfd p {
            m_fd, events, 0
        };
        int n = ::poll(&p, 1, left.count() > 0 ? static_cast<int>(left.count()) : 0);
        if (n > 0)
            return (p.revents & events) != 0;
        if (n == 0 || errno != EINTR)
            return false;
    }
}

bool TermiosSerialDevice::writeByte(std::uint8_t byte)
{
    for (;;) {
        ssize_t n = ::write(m_fd, &byte, 1);
        if (n == 1)
            return true;
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN && waitFor(POLLOUT, kWriteLimit))
            continue;
        return false;
    }
}

std::optional<std::uint8_t> TermiosSerialDevice::readByte(std::chrono::milliseconds timeout)
{
    // A raw line with VMIN = VTIME = 0 reads 0 bytes, not EAGAIN, when nothing waits.
    auto readOne = [this](std::uint8_t& byte) {
        ssize_t n;
        do {
            n = ::read(m_fd, &byte, 1);
        } while (n < 0 && errno == EINTR);
        return n;
    };
    std::uint8_t byte = 0;
    ssize_t n = readOne(byte);
    if (n == 1)
        return byte;
    if (n < 0 && errno != EAGAIN)
        return std::nullopt;
    // One wait only: a line that reports data and then has none (a hang-up) gives up.
    if (!waitFor(POLLIN, timeout) || readOne(byte) != 1)
        return std::nullopt;
    return byte;
}

} // namespace velmora::platform
