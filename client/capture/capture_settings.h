#pragma once
// The capture window's own values in section "Capture" (beside the tool values every
// tool dialog keeps there): folder, base name, digit counts, file type, "Split
// Planes", "Manual Mode" and "Standard FITS".

#include "client/capture/capture_names.h"

#include <string>

namespace velmora::client {

class SettingsStore;

struct CaptureSettings {
    static constexpr int kMinDigits = 1;
    static constexpr int kMaxDigits = 10;

    std::string folder = "~/";
    std::string name = "Capture";
    int prefixDigits = 3;
    int suffixDigits = 3;
    bool splitPlanes = false;
    CaptureFileType fileType = CaptureFileType::Avi;
    bool manualMode = false;
    bool standardFits = false;

    // Digit counts are clamped to 1…10; a file type other than 1 is AVI.
    void load(const SettingsStore& store);
    void save(SettingsStore& store) const;
    static int clampDigits(int digits);
};

} // namespace velmora::client
