#pragma once
// Values as text, for what tools print and for the logs of tests and messages: one way
// of writing a VARIANT everywhere.

#include "platform/automation/variant.h"

#include <string>

namespace velmora::automation {

// A real in the C locale, in its shortest form that reads back exactly ("0.1", "1e+20").
std::string shortestReal(double value);
// The type's short name: "i2", "i4", "i8", "ui1", "r4", "r8", "bool", "date", "error",
// "str"; "variant" for any other.
const char* variantTypeName(VARTYPE vt);
// A value that is not an array: numbers as above, booleans true/false, strings as they
// are, dates as text, "error 0x80020004", "empty", "null", "[object]" or "nothing";
// "?" for anything else.
std::string variantText(const VARIANT& value);
// The value with its type, as the literals of velmora-call write it ("i4:5", "r8:1.5",
// "bool:true", "str:text"); "empty", or "vt<type number>" for a type without a literal.
std::string describeVariant(const VARIANT& value);

} // namespace velmora::automation
