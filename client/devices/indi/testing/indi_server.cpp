#include "client/devices/indi/testing/indi_server.h"

#include "client/devices/indi/indi_connection.h"
#include "testing/eventually.h"
#include "testing/temp_home.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#ifndef VELMORA_GSC_STAND_IN
#error "VELMORA_GSC_STAND_IN names the stand-in gsc program"
#endif

namespace velmora::client::indi::testing {

namespace {

bool writeProcFile(const char* path, const std::string& text)
{
    std::ofstream file(path);
    file << text;
    return static_cast<bool>(file.flush());
}

bool bringLoopbackUp()
{
    const int s = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (s < 0)
        return false;
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    bool up = ioctl(s, SIOCGIFFLAGS, &request) == 0;
    request.ifr_flags |= IFF_UP | IFF_RUNNING;
    up = up && ioctl(s, SIOCSIFFLAGS, &request) == 0;
    close(s);
    return up;
}

bool tryPrivateNetwork()
{
    const int original = open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
    const uid_t uid = getuid();
    const gid_t gid = getgid();
    bool entered = unshare(CLONE_NEWNET) == 0;
    if (!entered && unshare(CLONE_NEWUSER | CLONE_NEWNET) == 0) {
        // Without privileges: a user namespace that maps us onto ourselves.
        entered =
            writeProcFile("/proc/self/setgroups", "deny") &&
            writeProcFile("/proc/self/uid_map", std::to_string(uid) + " " + std::to_string(uid) + " 1") &&
            writeProcFile("/proc/self/gid_map", std::to_string(gid) + " " + std::to_string(gid) + " 1");
    }
    if (entered && !bringLoopbackUp()) {
        if (original >= 0)
            setns(original, CLONE_NEWNET);
        entered = false;
    }
    if (original >= 0)
        close(original);
    return entered;
}

std::uint16_t freeLoopbackPort()
{
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    std::uint16_t port = 0;
    if (s >= 0 && bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) == 0)
        port = ntohs(address.sin_port);
    if (s >= 0)
        close(s);
    return port;
}

bool accepts(std::uint16_t port)
{
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = s >= 0 && connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (s >= 0)
        close(s);
    return ok;
}

std::string commandLineOf(const std::filesystem::path& process)
{
    std::string text = velmora::testing::readFile((process / "cmdline").string());
    return text.substr(0, text.find('\0'));
}

// The mount's longitude such that the star field stands `hoursWest` of the meridian
// whatever the time of day: which side of the pier the mount is on decides the sense
// of its declination pulses and of the camera's frame.
bool placeTheSky(IndiConnection& connection, double hoursWest)
{
    const double julianDate = static_cast<double>(std::time(nullptr)) / 86400.0 + 2440587.5;
    const double greenwichSidereal =
        std::fmod(18.697374558 + 24.06570982441908 * (julianDate - 2451545.0), 24.0);
    const double longitudeHours = std::fmod(kStarFieldRaHours + hoursWest - greenwichSidereal + 48.0, 24.0);
    return connection.sendNumbers("Telescope Simulator", "GEOGRAPHIC_COORD",
                                  {{"LAT", 45.0}, {"LONG", longitudeHours * 15.0}, {"ELEV", 0.0}});
}

} // namespace

bool enterPrivateNetwork()
{
    static const bool entered = tryPrivateNetwork();
    return entered;
}

bool pointMountAtStarField(const IndiServerAddress& server, double hoursWest)
{
    using namespace std::chrono_literals;
    const std::string mount = "Telescope Simulator";
    IndiConnection connection(server, mount);
    auto waitFor = [&](const std::function<bool(const PropertyMirror::View&)>& condition) {
        return connection.mirror().waitUntil(condition, 15s) == WaitOutcome::Satisfied;
    };
    if (!connection.ensureConnected() ||
        !waitFor([&](const PropertyMirror::View& v) { return v.property(mount, "CONNECTION") != nullptr; }))
        return false;
    connection.connectDevice(mount);
    if (!waitFor([&](const PropertyMirror::View& v) {
            const PropertyCopy* on = v.property(mount, "CONNECTION");
            return on && on->switchOn("CONNECT") && v.property(mount, "TELESCOPE_TRACK_STATE") &&
                   v.property(mount, "ON_COORD_SET") && v.property(mount, "EQUATORIAL_EOD_COORD") &&
                   v.property(mount, "GEOGRAPHIC_COORD");
        }))
        return false;
    auto syncedAndTracking = [&](double tolerance) {
        return connection.sendSwitch(mount, "ON_COORD_SET", "SYNC") &&
               connection.sendNumbers(mount, "EQUATORIAL_EOD_COORD",
                                      {{"RA", kStarFieldRaHours}, {"DEC", kStarFieldDecDegrees}}) &&
               waitFor([&](const PropertyMirror::View& v) {
                   const PropertyCopy* at = v.property(mount, "EQUATORIAL_EOD_COORD");
                   const PropertyCopy* tracking = v.property(mount, "TELESCOPE_TRACK_STATE");
                   return at && tracking && tracking->switchOn("TRACK_ON") &&
                          std::abs(at->number("RA").value_or(0) - kStarFieldRaHours) < tolerance &&
                          std::abs(at->number("DEC").value_or(0) - kStarFieldDecDegrees) < tolerance;
               });
    };
    // Tracking takes hold at the mount's next poll, and the sky turns a little until
    // then: the second sync is made with the mount tracking.
    return placeTheSky(connection, hoursWest) &&
           connection.sendSwitch(mount, "TELESCOPE_TRACK_STATE", "TRACK_ON") && syncedAndTracking(1e-3) &&
           syncedAndTracking(1e-6);
}

IndiServer::IndiServer(const std::vector<std::string>& drivers)
{
    char pattern[] = "/tmp/velmora-indi-XXXXXX";
    if (!mkdtemp(pattern))
        throw std::runtime_error("no temporary folder");
    m_folder = pattern;
    std::filesystem::create_directories(m_folder + "/bin");
    std::filesystem::create_directories(m_folder + "/home");
    std::filesystem::create_symlink(VELMORA_GSC_STAND_IN, m_folder + "/bin/gsc");
    m_address.port = enterPrivateNetwork() ? 7624 : freeLoopbackPort();

    const std::string path =
        m_folder + "/bin:" + (std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin");
    const std::string home = m_folder + "/home";
    const std::string logFile = m_folder + "/server.log";
    std::vector<std::string> arguments = {"indiserver", "-p", std::to_string(m_address.port)};
    arguments.insert(arguments.end(), drivers.begin(), drivers.end());
    std::vector<char*> argv;
    for (std::string& a : arguments)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    m_pid = fork();
    if (m_pid == 0) {
        setpgid(0, 0); // its own group, so the drivers end with it
        setenv("PATH", path.c_str(), 1);
        setenv("HOME", home.c_str(), 1); // the drivers keep their configuration there
        const int log = open(logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (log >= 0) {
            dup2(log, 1);
            dup2(log, 2);
        }
        execvp("indiserver", argv.data());
        _exit(127);
    }
    if (m_pid > 0)
        setpgid(m_pid, m_pid);
}

IndiServer::~IndiServer()
{
    stop();
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
}

bool IndiServer::started(std::chrono::milliseconds limit) const
{
    const std::uint16_t port = m_address.port;
    return m_pid > 0 && velmora::testing::eventually([port] { return accepts(port); }, limit);
}

std::string IndiServer::progId(IndiDeviceType type, const std::string& device) const
{
    return formatIndiProgId({type, device, m_address});
}

void IndiServer::stop()
{
    if (m_pid <= 0)
        return;
    kill(-m_pid, SIGKILL);
    kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, 0);
    m_pid = -1;
}

void IndiServer::freeze()
{
    if (m_pid > 0)
        kill(-m_pid, SIGSTOP);
}

void IndiServer::killDriver(const std::string& driver)
{
    if (m_pid <= 0)
        return;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const pid_t pid = static_cast<pid_t>(std::stoi(name));
        if (getpgid(pid) == m_pid && pid != m_pid &&
            std::filesystem::path(commandLineOf(entry.path())).filename() == driver)
            kill(pid, SIGKILL);
    }
}

std::string IndiServer::log() const
{
    return velmora::testing::readFile(m_folder + "/server.log");
}

} // namespace velmora::client::indi::testing
