#pragma once
// How velmora-call prints a value: numbers in the C locale (reals in their shortest
// exact form), booleans as true/false, strings as they are, arrays as
// "[640x480x3 i4 min=0 max=4095 sum=123]" (every extent, then the element type, then
// for numbers their minimum, maximum and sum).

#include "platform/automation/variant.h"

#include <string>

namespace velmora::tools {

std::string formatValue(const VARIANT& value);

} // namespace velmora::tools
