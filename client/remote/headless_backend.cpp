#include "client/remote/headless_backend.h"

namespace velmora::client::remote {

std::optional<std::string> HeadlessBackend::connect()
{
    if (m_guider.connectDrivers())
        return std::nullopt;
    return m_guider.lastError();
}

std::optional<std::string> HeadlessBackend::startLooping()
{
    if (m_guider.startLooping())
        return std::nullopt;
    return m_guider.lastError();
}

std::optional<std::string> HeadlessBackend::captureSingleFrame(int exposureMs)
{
    if (m_guider.takeSingleFrame(exposureMs / 10))
        return std::nullopt;
    return m_guider.lastError();
}

std::optional<std::string> HeadlessBackend::startGuiding()
{
    if (m_guider.startGuiding())
        return std::nullopt;
    return std::string("cannot guide: no frame yet");
}

} // namespace velmora::client::remote
