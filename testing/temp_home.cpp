#include "testing/temp_home.h"

#include "platform/registry/registry.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>

namespace velmora::testing {

namespace {
bool saveEnv(const char* name, std::string& out)
{
    const char* v = std::getenv(name);
    if (!v)
        return false;
    out = v;
    return true;
}

void restoreEnv(const char* name, bool had, const std::string& value)
{
    if (had)
        setenv(name, value.c_str(), 1);
    else
        unsetenv(name);
}
} // namespace

TempHome::TempHome()
{
    std::string tmpl = (std::filesystem::temp_directory_path() / "velmora-test-XXXXXX").string();
    if (!mkdtemp(tmpl.data()))
        throw std::runtime_error("mkdtemp failed");
    m_path = tmpl;
    ::mkdir(runtimeDir().c_str(), 0700);
    m_hadHome = saveEnv("VELMORA_HOME", m_oldHome);
    m_hadRuntime = saveEnv("XDG_RUNTIME_DIR", m_oldRuntime);
    setenv("VELMORA_HOME", m_path.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", runtimeDir().c_str(), 1);
    registry::resetForTesting();
}

TempHome::~TempHome()
{
    registry::resetForTesting();
    restoreEnv("VELMORA_HOME", m_hadHome, m_oldHome);
    restoreEnv("XDG_RUNTIME_DIR", m_hadRuntime, m_oldRuntime);
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

std::string TempHome::registryFile(const std::string& hiveName) const
{
    return m_path + "/registry/" + hiveName + ".reg";
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void writeFile(const std::string& path, const std::string& contents)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << contents;
}

} // namespace velmora::testing
