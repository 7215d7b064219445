#pragma once
// The settings store shared by the camera, focuser and telescope drivers:
//   HKCU\Software\<company>\<driver name>\<profile name>\<section>\<value>
// Numbers are REG_DWORD, texts REG_SZ with their NUL, blobs REG_BINARY.
//
// One current pair (driver name, profile name) serves every driver of the store: a driver's
// load or save first makes its own pair current, then reads or writes its values.
// Every operation opens the keys it needs and closes them before it returns, so the
// client and other processes sharing the hive always see the file as it is. A read
// that fails gives its default; a write that fails reports it.

#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace velmora::server {

constexpr const char* kCompanyKey = "Velmora Software";
constexpr const char* kCameraDriverName = "Velmora WebCamera ASCOM Driver";
constexpr const char* kFocuserDriverName = "Velmora Focuser ASCOM Driver";
constexpr const char* kTelescopeDriverName = "Velmora Telescope ASCOM Driver";
constexpr const char* kDefaultProfile = "Default";

// A name usable as one registry key: 1..255 characters, no "\" (which would nest keys)
// and no control characters.
bool isValidKeyName(const std::string& name);

class DeviceSettings {
public:
    void setCurrent(const std::string& driverName, const std::string& profileName);
    std::string currentDriver() const;
    std::string currentProfile() const;

    // The stored 32-bit value if up to 4 bytes can be read (the type is not examined;
    // shorter data is zero-extended), else the default.
    std::int32_t readNumber(const std::string& section, const std::string& value,
                            std::int32_t defaultValue) const;
    // The stored text up to its first NUL, else the default.
    std::string readText(const std::string& section, const std::string& value,
                         const std::string& defaultValue) const;
    // A copy of the stored bytes; none on failure.
    std::optional<std::vector<std::uint8_t>> readBlob(const std::string& section,
                                                      const std::string& value) const;

    bool writeNumber(const std::string& section, const std::string& value, std::int32_t number);
    // With a value name: stores the text, or deletes the value when the text is absent.
    // Without a value name: deletes the whole section.
    bool writeText(const std::optional<std::string>& text, const std::string& section,
                   const std::optional<std::string>& value);
    bool writeBlob(const std::string& section, const std::string& value, std::span<const std::uint8_t> bytes);

private:
    struct Pair {
        std::string driver;
        std::string profile;
    };
    Pair current() const;
    std::optional<std::vector<std::uint8_t>> query(const std::string& section, const std::string& value,
                                                   std::size_t limit) const;
    bool store(const std::string& section, const std::string& value, unsigned type,
               std::span<const std::uint8_t> bytes);

    mutable std::mutex m_mutex;
    Pair m_current{kCameraDriverName, kDefaultProfile};
};

} // namespace velmora::server
