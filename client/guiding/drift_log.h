#pragma once
// The drift log: one text file per guiding run holding the star's unfiltered offsets
// from the reticle centre for every guided frame.

#include <cstdio>
#include <ctime>
#include <string>

namespace velmora::client {

class DriftLog {
public:
    DriftLog() = default;
    ~DriftLog();
    DriftLog(const DriftLog&) = delete;
    DriftLog& operator=(const DriftLog&) = delete;

    // The run's file: the template without its last four characters, then the run's
    // local start time as "_(%d.%m.%Y %H-%M).txt".
    static std::string runFileName(const std::string& logPathTemplate, std::time_t runStart);

    // Creates (truncating) the run's file and writes the header. False when the
    // file cannot be created; the run then goes on without a log.
    bool open(const std::string& logPathTemplate, std::time_t runStart);
    // One line per guided frame: seconds since Start, horizontal and vertical
    // offsets in arcseconds. Each line is flushed so an abrupt end keeps it.
    void append(double secondsSinceStart, double horizontalArcsec, double verticalArcsec);
    void close();

    bool isOpen() const { return m_file != nullptr; }
    const std::string& fileName() const { return m_fileName; }
    // A write after opening failed (disk full): reported once by the caller.
    bool hadWriteError() const { return m_writeError; }

private:
    bool write(const char* bytes, std::size_t length);

    std::FILE* m_file = nullptr;
    std::string m_fileName;
    bool m_writeError = false;
};

} // namespace velmora::client
