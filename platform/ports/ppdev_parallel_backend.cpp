#include "platform/ports/ppdev_parallel_backend.h"

#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace velmora::platform {

namespace {

// One claimed ppdev port. Only its own data register is reachable: reads of any other
// address float high, writes to it go nowhere.
class PpdevParallelIo : public ParallelIo {
public:
    PpdevParallelIo(int fd, std::uint16_t address) : m_fd(fd), m_address(address) {}
    ~PpdevParallelIo() override
    {
        ::ioctl(m_fd, PPRELEASE);
        ::close(m_fd);
    }
    PpdevParallelIo(const PpdevParallelIo&) = delete;
    PpdevParallelIo& operator=(const PpdevParallelIo&) = delete;

    std::uint16_t Inp32(std::uint16_t address) override
    {
        unsigned char data = 0xFF;
        if (address != m_address || ::ioctl(m_fd, PPRDATA, &data) != 0)
            return 0xFF;
        return data;
    }

    void Out32(std::uint16_t address, std::uint16_t value) override
    {
        if (address != m_address)
            return;
        unsigned char data = static_cast<unsigned char>(value & 0xFF);
        ::ioctl(m_fd, PPWDATA, &data);
    }

private:
    int m_fd;
    std::uint16_t m_address;
};

} // namespace

PpdevParallelBackend::PpdevParallelBackend(std::string deviceFolder) : m_deviceFolder(std::move(deviceFolder))
{
}

std::string PpdevParallelBackend::devicePath(std::uint16_t address) const
{
    if (address == kLpt1DataAddress)
        return m_deviceFolder + "/parport0";
    if (address == kLpt2DataAddress)
        return m_deviceFolder + "/parport1";
    return {};
}

std::unique_ptr<ParallelIo> PpdevParallelBackend::load(std::uint16_t address)
{
    std::string path = devicePath(address);
    if (path.empty())
        return nullptr;
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    // Exclusive registration first: a shared claim would block for as long as another
    // user holds the port, and port operations must stay bounded.
    if (::ioctl(fd, PPEXCL) != 0 || ::ioctl(fd, PPCLAIM) != 0) {
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<PpdevParallelIo>(fd, address);
}

} // namespace velmora::platform
