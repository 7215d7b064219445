#include "platform/ports/termios_serial_device.h"

#include "testing/temp_home.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace velmora::platform {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The far end of a pseudo-terminal, standing in for a device on a serial line.
class PseudoTerminal {
public:
    PseudoTerminal()
    {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master >= 0 && ::grantpt(m_master) == 0 && ::unlockpt(m_master) == 0)
            m_path = ::ptsname(m_master);
    }
    ~PseudoTerminal()
    {
        if (m_master >= 0)
            ::close(m_master);
    }
    const std::string& path() const { return m_path; }
    void send(const std::string& bytes)
    {
        ASSERT_EQ(::write(m_master, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    }
    std::string receive(std::size_t count)
    {
        std::string bytes(count, '\0');
        std::size_t got = 0;
        while (got < count) {
            ssize_t n = ::read(m_master, bytes.data() + got, count - got);
            if (n <= 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        bytes.resize(got);
        return bytes;
    }

private:
    int m_master = -1;
    std::string m_path;
};

TEST(TermiosSerialDevice, CarriesRawBytesBothWays)
{
    PseudoTerminal far;
    auto device = TermiosSerialDevice::open(far.path());
    ASSERT_NE(device, nullptr);
    ASSERT_TRUE(device->configure(115200));
    // Line endings and control characters pass untranslated.
    const std::string bytes("!MrP\r\n\x03\x11\x13\x7f\xff", 11);
    for (char c : bytes)
        ASSERT_TRUE(device->writeByte(static_cast<std::uint8_t>(c)));
    EXPECT_EQ(far.receive(bytes.size()), bytes);

    far.send(bytes);
    std::string got;
    while (auto byte = device->readByte(200ms)) {
        got += static_cast<char>(*byte);
        if (got.size() == bytes.size())
            break;
    }
    EXPECT_EQ(got, bytes);
}

TEST(TermiosSerialDevice, ReadsReturnAtOnceOrGiveUpAfterTheTimeout)
{
    PseudoTerminal far;
    auto device = TermiosSerialDevice::open(far.path());
    ASSERT_NE(device, nullptr);

    auto start = Clock::now();
    EXPECT_EQ(device->readByte(100ms), std::nullopt);
    auto waited = Clock::now() - start;
    EXPECT_GE(waited, 95ms);
    EXPECT_LT(waited, 400ms);

    far.send("x");
    start = Clock::now();
    EXPECT_EQ(device->readByte(5s), 'x');
    EXPECT_LT(Clock::now() - start, 1s);
}

TEST(TermiosSerialDevice, OpensExclusivelyAndFlushesOldBytes)
{
    PseudoTerminal far;
    far.send("stale bytes");
    auto first = TermiosSerialDevice::open(far.path());
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->readByte(20ms), std::nullopt);
    EXPECT_EQ(TermiosSerialDevice::open(far.path()), nullptr);
    first.reset();
    EXPECT_NE(TermiosSerialDevice::open(far.path()), nullptr);
}

TEST(TermiosSerialDevice, RefusesWhatIsNotATerminal)
{
    testing::TempHome home;
    std::string file = home.path() + "/not-a-tty";
    testing::writeFile(file, "data");
    EXPECT_EQ(TermiosSerialDevice::open(file), nullptr);
    EXPECT_EQ(TermiosSerialDevice::open(home.path() + "/missing"), nullptr);
    EXPECT_EQ(TermiosSerialDevice::open(""), nullptr);
    EXPECT_EQ(testing::readFile(file), "data");
}

TEST(TermiosSerialDevice, TakesAnySpeedOfTheListsButNotZero)
{
    PseudoTerminal far;
    auto device = TermiosSerialDevice::open(far.path());
    ASSERT_NE(device, nullptr);
    for (std::uint32_t speed : {110u, 300u, 9600u, 14400u, 38400u, 57600u, 115200u})
        EXPECT_TRUE(device->configure(speed)) << speed;
    EXPECT_FALSE(device->configure(0));
}

} // namespace
} // namespace velmora::platform
