#pragma once
// A private per-user folder for one test: VELMORA_HOME points at a fresh temporary
// directory (and XDG_RUNTIME_DIR at a subfolder of it) for the object's lifetime,
// and the registry forgets its cached hives on entry and exit.

#include <string>

namespace velmora::testing {

class TempHome {
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    const std::string& path() const { return m_path; }
    std::string registryFile(const std::string& hiveName) const;
    std::string runtimeDir() const { return m_path + "/run"; }

private:
    std::string m_path;
    std::string m_oldHome;
    std::string m_oldRuntime;
    bool m_hadHome = false;
    bool m_hadRuntime = false;
};

// Reads a whole file; empty when it cannot be read.
std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& contents);

} // namespace velmora::testing
