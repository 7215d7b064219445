#pragma once
// Pieces of the variant implementation shared between its source files.

#include "platform/automation/variant.h"

#include <optional>
#include <string>
#include <string_view>

namespace velmora::automation {

// Copies into an empty dest the value source holds or, by reference, points at.
HRESULT copyDereferenced(VARIANT* dest, const VARIANT* source);

// "YYYY-MM-DD HH:MM:SS" for a DATE within years 100..9999.
std::optional<std::string> formatOleDate(DATE date);
// Parses "YYYY-MM-DD", optionally followed by " HH:MM" or " HH:MM:SS" (or 'T').
std::optional<DATE> parseOleDate(std::string_view text);

} // namespace velmora::automation
