#include "server/frame/profile_chooser.h"

#include "server/frame/device_settings.h"
#include "server/frame/profile_list.h"

#include <algorithm>

namespace velmora::server {

namespace {

bool sameKeyName(const std::string& a, const std::string& b)
{
    auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

} // namespace

ProfileChooser::ProfileChooser(Kind kind, std::string driverName, const std::string& currentProfile)
    : m_kind(kind), m_driverName(std::move(driverName)), m_profiles(listProfiles(m_driverName))
{
    if (m_kind == Kind::Save)
        m_enteredName = currentProfile;
    auto current = std::find_if(m_profiles.begin(), m_profiles.end(),
                                [&](const std::string& name) { return sameKeyName(name, currentProfile); });
    if (current != m_profiles.end())
        m_selected = static_cast<std::size_t>(current - m_profiles.begin());
}

void ProfileChooser::select(std::size_t index)
{
    if (index >= m_profiles.size())
        return;
    m_selected = index;
    if (m_kind == Kind::Save)
        m_enteredName = m_profiles[index];
}

void ProfileChooser::setEnteredName(std::string name)
{
    m_enteredName = std::move(name);
}

bool ProfileChooser::deleteSelected()
{
    if (!m_selected || !deleteProfile(m_driverName, m_profiles[*m_selected]))
        return false;
    std::size_t index = *m_selected;
    m_profiles.erase(m_profiles.begin() + static_cast<std::ptrdiff_t>(index));
    m_selected.reset();
    if (!m_profiles.empty())
        select(std::min(index, m_profiles.size() - 1));
    return true;
}

bool ProfileChooser::loadEnabled() const
{
    return m_kind == Kind::Load && m_selected.has_value();
}

bool ProfileChooser::saveEnabled() const
{
    return m_kind == Kind::Save && isValidKeyName(m_enteredName);
}

bool ProfileChooser::deleteEnabled() const
{
    return m_selected.has_value();
}

std::optional<std::string> ProfileChooser::chosenName() const
{
    if (loadEnabled())
        return m_profiles[*m_selected];
    if (saveEnabled())
        return m_enteredName;
    return std::nullopt;
}

} // namespace velmora::server
