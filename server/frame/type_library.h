#pragma once
// The text of VelmoraServerLib: enumerations, the three dual interfaces and their
// coclasses, generated from the same member tables that serve GetIDsOfNames/Invoke.

#include <string>

namespace velmora::server {

std::string typeLibraryText();

} // namespace velmora::server
