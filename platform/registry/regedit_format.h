#pragma once
// The hive file format: REGEDIT4 text, readable and editable by hand.
//
//   REGEDIT4
//
//   [HKEY_CURRENT_USER\Software\Velmora Software\Velmora Nebrix Client\Exposure]
//   "Exposure Time"=dword:00000096
//   "Name"="text"
//   @="default value"
//   "Blob"=hex:01,02,ff
//
// A REG_SZ whose bytes are not exactly one NUL-terminated printable UTF-8 text (a
// value stored without its NUL, say) is written as hex(1): so every byte survives.

#include "platform/registry/registry_key.h"

#include <memory>
#include <string>
#include <string_view>

namespace velmora::registry {

std::string formatRegedit(const RegistryKey& root);

// Parses a hive whose keys all lie below `root.name()`, adding them to `root`.
// On failure returns false with a message naming the line; `root` is then undefined.
bool parseRegedit(std::string_view text, RegistryKey& root, std::string& error);

} // namespace velmora::registry
