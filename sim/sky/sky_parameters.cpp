#include "sim/sky/sky_parameters.h"

#include "platform/registry/registry.h"

#include <algorithm>
#include <cmath>

namespace velmora::sim {

namespace {

struct Field {
    const char* name;
    int SkyParameters::*member;
    int minimum;
    int maximum;
};

// Ranges keep the model finite: no zero scale, no sky of thousands of stars.
constexpr Field kFields[] = {
    {"Seeing", &SkyParameters::seeing, 0, 100000},
    {"Drift RA", &SkyParameters::driftRa, -1000000, 1000000},
    {"Drift Dec", &SkyParameters::driftDec, -1000000, 1000000},
    {"PE Amplitude", &SkyParameters::peAmplitude, 0, 1000000},
    {"PE Period", &SkyParameters::pePeriod, 0, 100000},
    {"Rotation", &SkyParameters::rotation, -36000, 36000},
    {"Best Focus", &SkyParameters::bestFocus, -1000000, 1000000},
    {"Stars", &SkyParameters::stars, 0, 50},
    {"Image Scale", &SkyParameters::imageScale, 1, 100000},
    {"Guide Rate", &SkyParameters::guideRate, 0, 10000},
    {"Star Width", &SkyParameters::starWidth, 30, 10000},
    {"Focus Blur", &SkyParameters::focusBlur, 0, 100000},
    {"Background", &SkyParameters::background, 0, 255},
    {"Noise", &SkyParameters::noise, 0, 10000},
    {"Seed", &SkyParameters::seed, -2147483647 - 1, 2147483647},
    {"Focuser Backlash", &SkyParameters::focuserBacklash, 0, 1000000},
};

} // namespace

SkyParameters SkyParameters::load()
{
    SkyParameters p;
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_CURRENT_USER, kKey, KEY_READ, &key) != ERROR_SUCCESS)
        return p;
    for (const Field& field : kFields) {
        DWORD type = 0;
        DWORD value = 0;
        DWORD size = sizeof value;
        if (RegQueryValueEx(key, field.name, &type, reinterpret_cast<BYTE*>(&value), &size) ==
                ERROR_SUCCESS &&
            type == REG_DWORD && size == sizeof value)
            p.*field.member = static_cast<int>(value);
    }
    RegCloseKey(key);
    return p.clamped();
}

SkyParameters SkyParameters::clamped() const
{
    SkyParameters p = *this;
    for (const Field& field : kFields)
        p.*field.member = std::clamp(p.*field.member, field.minimum, field.maximum);
    return p;
}

double SkyParameters::rotationRadians() const
{
    return rotation * 0.01 * 3.14159265358979323846 / 180.0;
}

} // namespace velmora::sim
