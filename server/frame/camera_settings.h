#pragma once
// The camera driver's values, as stored in its profiles ("Velmora WebCamera ASCOM
// Driver"). Defaults are those of a fresh account.

#include "server/frame/device_settings.h"
#include "server/frame/exposure_sequences.h"

#include <cstdint>
#include <string>

namespace velmora::server {

struct CameraSettings {
    // "Format": the capture format (requested on load, the one in use when saved).
    std::int32_t formatWidth = 640;
    std::int32_t formatHeight = 480;
    std::int32_t formatPeriod = 2000000; // 100-nanosecond units: 5 frames a second
    // "Matrix"
    std::int32_t matrixWidth = 640;
    std::int32_t matrixHeight = 480;
    double pixelWidth = 5.6; // micrometres, stored in hundredths
    double pixelHeight = 5.6;
    // "SubFrame"
    std::int32_t startX = 0;
    std::int32_t startY = 0;
    std::int32_t numX = 640;
    std::int32_t numY = 480;
    // "Exposure"
    std::int32_t framesNumber = 1;
    std::string port = "LPT1";
    std::string portSpeed = "115200";
    // "Type" (0 "Amp. Mode On", 1 "Amp. Mode Off") and "Data"
    ExposureSequences exposure;
    // "Color"
    std::int32_t colorMode = 2;
    std::int32_t matrixType = 0;
    std::int32_t redCoeff = 100;
    std::int32_t greenCoeff = 100;
    std::int32_t blueCoeff = 100;

    // Makes `profile` current for the camera and reads every value with its default.
    void load(DeviceSettings& store, const std::string& profile);
    // Makes `profile` current for the camera and writes every value; true when all
    // writes succeeded.
    bool save(DeviceSettings& store, const std::string& profile) const;

    bool operator==(const CameraSettings&) const = default;
};

} // namespace velmora::server
