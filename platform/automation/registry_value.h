#pragma once
// Reading one string value from the registry.

#include "platform/registry/registry.h"

#include <optional>
#include <string>

namespace velmora::automation {

// The REG_SZ value `name` (empty: the default value) of root\path, without trailing
// NULs; nullopt when the key or value is missing or not a string.
std::optional<std::string> readRegistryString(HKEY root, const std::string& path, const char* name);

} // namespace velmora::automation
