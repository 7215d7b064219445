#include "client/capture/output_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

namespace velmora::client {

namespace {

// write(2) at the file position, or pwrite(2) at `offset` when one is given, until every
// byte is out or the system refuses.
bool writeAll(int fd, std::optional<std::uint64_t> offset, const std::uint8_t* data, std::size_t size,
              int& error)
{
    while (size > 0) {
        const ssize_t written =
            offset ? ::pwrite(fd, data, size, static_cast<off_t>(*offset)) : ::write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            error = written < 0 ? errno : ENOSPC;
            return false;
        }
        data += written;
        if (offset)
            *offset += static_cast<std::uint64_t>(written);
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

class DiskFile : public RandomAccessFile {
public:
    explicit DiskFile(int fd) : m_fd(fd) {}
    ~DiskFile() override { close(); }

    bool append(std::span<const std::uint8_t> bytes) override
    {
        int error = 0;
        if (!writeAll(m_fd, m_size, bytes.data(), bytes.size(), error)) {
            // What reached the file is counted, so truncate() can take it back.
            const off_t end = ::lseek(m_fd, 0, SEEK_END);
            m_size = end > 0 ? static_cast<std::uint64_t>(end) : m_size;
            return fail("write", error);
        }
        m_size += bytes.size();
        return true;
    }
    bool writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) override
    {
        int error = 0;
        return writeAll(m_fd, offset, bytes.data(), bytes.size(), error) || fail("write", error);
    }
    bool truncate(std::uint64_t size) override
    {
        if (::ftruncate(m_fd, static_cast<off_t>(size)) != 0)
            return fail("truncate", errno);
        m_size = size;
        return true;
    }
    std::uint64_t size() const override { return m_size; }
    bool close() override
    {
        if (m_fd < 0)
            return m_error.empty();
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0 || fail("close", errno);
    }
    const std::string& error() const override { return m_error; }

private:
    bool fail(const char* what, int error)
    {
        m_error = std::string(what) + ": " + systemErrorText(error);
        return false;
    }

    int m_fd;
    std::uint64_t m_size = 0;
    std::string m_error;
};

} // namespace

std::string systemErrorText(int error)
{
    char text[256];
    return strerror_r(error, text, sizeof text);
}

OutputFile::~OutputFile()
{
    abandon();
}

bool OutputFile::open(const std::string& path)
{
    abandon();
    m_path = path;
    m_temporary = path + ".part";
    m_error.clear();
    m_fd = ::open(m_temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    return m_fd >= 0 || fail("create");
}

bool OutputFile::write(std::span<const std::uint8_t> bytes)
{
    if (m_fd < 0)
        return false;
    int error = 0;
    if (writeAll(m_fd, std::nullopt, bytes.data(), bytes.size(), error))
        return true;
    errno = error;
    return fail("write");
}

bool OutputFile::write(const std::string& bytes)
{
    return write(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

bool OutputFile::commit()
{
    if (m_fd < 0)
        return false;
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) {
        fail("close");
        ::unlink(m_temporary.c_str());
        return false;
    }
    if (::rename(m_temporary.c_str(), m_path.c_str()) != 0) {
        fail("rename");
        ::unlink(m_temporary.c_str());
        return false;
    }
    return true;
}

void OutputFile::abandon()
{
    if (m_fd < 0)
        return;
    ::close(m_fd);
    m_fd = -1;
    ::unlink(m_temporary.c_str());
}

bool OutputFile::fail(const char* what)
{
    const int error = errno;
    m_error = std::string(what) + " " + (std::strcmp(what, "create") == 0 ? m_temporary : m_path) + ": " +
              systemErrorText(error);
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
        ::unlink(m_temporary.c_str());
    }
    return false;
}

std::unique_ptr<RandomAccessFile> createDiskFile(const std::string& path, std::string& error)
{
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = "create " + path + ": " + systemErrorText(errno);
        return nullptr;
    }
    return std::make_unique<DiskFile>(fd);
}

} // namespace velmora::client
