#include "client/guiding/drift_log.h"

#include <cstring>

namespace velmora::client {

namespace {
constexpr const char* kHeader = "TIME\t\tHORIZONTAL\t\tVERTICAL\r\n";
}

DriftLog::~DriftLog()
{
    close();
}

std::string DriftLog::runFileName(const std::string& logPathTemplate, std::time_t runStart)
{
    std::string stem =
        logPathTemplate.size() > 4 ? logPathTemplate.substr(0, logPathTemplate.size() - 4) : "";
    std::tm local{};
    localtime_r(&runStart, &local);
    char suffix[64];
    std::strftime(suffix, sizeof suffix, "_(%d.%m.%Y %H-%M).txt", &local);
    return stem + suffix;
}

bool DriftLog::open(const std::string& logPathTemplate, std::time_t runStart)
{
    close();
    m_writeError = false;
    m_fileName = runFileName(logPathTemplate, runStart);
    m_file = std::fopen(m_fileName.c_str(), "wb");
    if (!m_file)
        return false;
    write(kHeader, std::strlen(kHeader));
    return true;
}

void DriftLog::append(double secondsSinceStart, double horizontalArcsec, double verticalArcsec)
{
    if (!m_file)
        return;
    char line[128];
    int n = std::snprintf(line, sizeof line, "%.2f\t\t%.3f\t\t%.3f\r\n", secondsSinceStart, horizontalArcsec,
                          verticalArcsec);
    if (n > 0)
        write(line,
              static_cast<std::size_t>(n) < sizeof line ? static_cast<std::size_t>(n) : sizeof line - 1);
}

void DriftLog::close()
{
    if (!m_file)
        return;
    if (std::fclose(m_file) != 0)
        m_writeError = true;
    m_file = nullptr;
}

bool DriftLog::write(const char* bytes, std::size_t length)
{
    if (std::fwrite(bytes, 1, length, m_file) != length || std::fflush(m_file) != 0) {
        m_writeError = true;
        return false;
    }
    return true;
}

} // namespace velmora::client
