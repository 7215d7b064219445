#include "server/camera/source_page.h"

#include "server/camera/camera_driver.h"

namespace velmora::server {

SourcePage::SourcePage(CameraDriver& camera) : m_camera(camera)
{
    reload();
}

void SourcePage::reload()
{
    m_rows.clear();
    for (platform::VideoControl& control : m_camera.controls()) {
        const std::optional<std::int32_t> value = control.type == platform::VideoControlType::Button
                                                      ? std::nullopt
                                                      : m_camera.controlValue(control.id);
        m_rows.push_back({std::move(control), value});
    }
}

bool SourcePage::set(std::size_t row, std::int32_t value)
{
    if (row >= m_rows.size() || !m_rows[row].enabled())
        return false;
    const bool done = m_camera.setControl(m_rows[row].control.id, value);
    reload();
    return done;
}

void SourcePage::restoreDefaults()
{
    for (const Row& row : std::vector<Row>(m_rows))
        if (row.enabled() && row.control.type != platform::VideoControlType::Button)
            m_camera.setControl(row.control.id, row.control.defaultValue);
    reload();
}

std::optional<int> SourcePage::menuIndex(const Row& row, std::int32_t value)
{
    for (std::size_t i = 0; i < row.control.menu.size(); ++i)
        if (row.control.menu[i].value == value)
            return static_cast<int>(i);
    return std::nullopt;
}

} // namespace velmora::server
