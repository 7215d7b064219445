#pragma once
// The decimal number a text starts with, as a text-to-number conversion that stops at
// the first character that cannot belong to a number: "1.50x" is 1.5, "0.50x" is 0.5.

#include <string_view>

namespace velmora::server {

// Leading white space and a sign are allowed. No number, or one that is not finite
// ("inf", "nan", out of range), gives 0. Independent of the process locale.
double leadingNumber(std::string_view text);

} // namespace velmora::server
