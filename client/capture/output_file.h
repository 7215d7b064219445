#pragma once
// Files the capture writes. An OutputFile is written under a temporary name beside
// its final one and renamed into place only when every byte went out, so a failed
// write is reported and never leaves a half file under the final name. A
// RandomAccessFile is a long-lived file written in place (a video that grows for a
// whole run) with the few calls its writer needs; both report failures as text.

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace velmora::client {

// errno as the system's text, e.g. "No space left on device".
std::string systemErrorText(int error);

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile(); // abandons a file that was not committed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates "<path>.part" for writing; false with error() on failure.
    bool open(const std::string& path);
    // All bytes, with one write call unless the system writes fewer.
    bool write(std::span<const std::uint8_t> bytes);
    bool write(const std::string& bytes);
    // Closes and renames the temporary file to the final name.
    bool commit();
    // Closes and removes the temporary file.
    void abandon();
    const std::string& error() const { return m_error; }
    const std::string& path() const { return m_path; }

private:
    bool fail(const char* what);

    int m_fd = -1;
    std::string m_path;
    std::string m_temporary;
    std::string m_error;
};

class RandomAccessFile {
public:
    virtual ~RandomAccessFile() = default;
    // Appends at the end; false when not every byte was written (the file may then
    // hold part of them: truncate() takes them back).
    virtual bool append(std::span<const std::uint8_t> bytes) = 0;
    // Overwrites bytes that exist already.
    virtual bool writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) = 0;
    virtual bool truncate(std::uint64_t size) = 0;
    virtual std::uint64_t size() const = 0;
    // Flushes and closes; false when the system reported a failure.
    virtual bool close() = 0;
    virtual const std::string& error() const = 0;
};

// A file on disk, created (or truncated) for writing; null with the reason in error.
std::unique_ptr<RandomAccessFile> createDiskFile(const std::string& path, std::string& error);

} // namespace velmora::client
