#include "client/capture/capture_settings.h"

#include "client/shell/settings_layout.h"

#include <algorithm>

namespace velmora::client {

int CaptureSettings::clampDigits(int digits)
{
    return std::clamp(digits, kMinDigits, kMaxDigits);
}

void CaptureSettings::load(const SettingsStore& store)
{
    folder = settings::read(store, settings::kCaptureFolder);
    name = settings::read(store, settings::kCaptureFileName);
    prefixDigits = clampDigits(settings::read(store, settings::kCapturePrefix));
    suffixDigits = clampDigits(settings::read(store, settings::kCaptureSuffix));
    splitPlanes = settings::readBool(store, settings::kCaptureSplitPlanes);
    fileType =
        settings::read(store, settings::kCaptureFileType) == 1 ? CaptureFileType::Fits : CaptureFileType::Avi;
    manualMode = settings::readBool(store, settings::kCaptureManualMode);
    standardFits = settings::readBool(store, settings::kCaptureStandardFits);
}

void CaptureSettings::save(SettingsStore& store) const
{
    settings::write(store, settings::kCaptureFolder, folder);
    settings::write(store, settings::kCaptureFileName, name);
    settings::write(store, settings::kCapturePrefix, prefixDigits);
    settings::write(store, settings::kCaptureSuffix, suffixDigits);
    settings::writeBool(store, settings::kCaptureSplitPlanes, splitPlanes);
    settings::write(store, settings::kCaptureFileType, static_cast<int>(fileType));
    settings::writeBool(store, settings::kCaptureManualMode, manualMode);
    settings::writeBool(store, settings::kCaptureStandardFits, standardFits);
}

} // namespace velmora::client
