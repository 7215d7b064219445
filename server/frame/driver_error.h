#pragma once
// The complete vocabulary of driver failures. Driver members return one of these;
// the automation layer turns a failure into error info (interface IID, source =
// the class's version-dependent ProgID, description = the message) and
// DISP_E_EXCEPTION.

namespace velmora::server {

enum class DriverError {
    None,
    NotConnected,
    NotSupported,
    InvalidDuration,
    ImageNotReady,
    AlreadyInProgress,
    PortNotConnected,
    PortNotFound,
    DeviceNotFound,
    ExternalError,
    AlreadyInMotion,
    InvalidValue, // added: an argument outside its documented range
};

constexpr const char* driverErrorMessage(DriverError error)
{
    switch (error) {
    case DriverError::None:
        return "";
    case DriverError::NotConnected:
        return "Not Connected";
    case DriverError::NotSupported:
        return "Not Supported";
    case DriverError::InvalidDuration:
        return "Invalid Duration";
    case DriverError::ImageNotReady:
        return "Image Not Ready";
    case DriverError::AlreadyInProgress:
        return "Already In Progress";
    case DriverError::PortNotConnected:
        return "Port Not Connected";
    case DriverError::PortNotFound:
        return "Port Not Found";
    case DriverError::DeviceNotFound:
        return "Device Not Found";
    case DriverError::ExternalError:
        return "External Error";
    case DriverError::AlreadyInMotion:
        return "Already In Motion";
    case DriverError::InvalidValue:
        return "Invalid Value";
    }
    return "";
}

} // namespace velmora::server
