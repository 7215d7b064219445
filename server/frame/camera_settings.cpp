#include "server/frame/camera_settings.h"

#include "server/frame/settings_reader.h"
#include "server/frame/settings_writer.h"

namespace velmora::server {

namespace {

// The table once, in stored order, for reading and writing alike.
template <class Settings, class Visitor> void visitCamera(Settings& s, Visitor& v)
{
    v.number("Format", "Width", s.formatWidth);
    v.number("Format", "Height", s.formatHeight);
    v.number("Format", "Period", s.formatPeriod);
    v.number("Matrix", "Width", s.matrixWidth);
    v.number("Matrix", "Height", s.matrixHeight);
    v.scaled("Matrix", "Pixel Width", s.pixelWidth, 100);
    v.scaled("Matrix", "Pixel Height", s.pixelHeight, 100);
    v.number("SubFrame", "Start X", s.startX);
    v.number("SubFrame", "Start Y", s.startY);
    v.number("SubFrame", "Num X", s.numX);
    v.number("SubFrame", "Num Y", s.numY);
    v.number("Exposure", "Frames Number", s.framesNumber);
    v.text("Exposure", "Port", s.port);
    v.text("Exposure", "Port Speed", s.portSpeed);
    v.exposure("Exposure", "Type", "Data", s.exposure);
    v.number("Color", "Mode", s.colorMode);
    v.number("Color", "Matrix Type", s.matrixType);
    v.number("Color", "Red Coeff", s.redCoeff);
    v.number("Color", "Green Coeff", s.greenCoeff);
    v.number("Color", "Blue Coeff", s.blueCoeff);
}

} // namespace

void CameraSettings::load(DeviceSettings& store, const std::string& profile)
{
    store.setCurrent(kCameraDriverName, profile);
    *this = CameraSettings{};
    SettingsReader reader(store);
    visitCamera(*this, reader);
}

bool CameraSettings::save(DeviceSettings& store, const std::string& profile) const
{
    store.setCurrent(kCameraDriverName, profile);
    SettingsWriter writer(store);
    visitCamera(*this, writer);
    return writer.allWritten();
}

} // namespace velmora::server
