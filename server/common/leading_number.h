#pragma once
// The decimal number a text starts with, as a text-to-number conversion that stops at
// the first character that cannot belong to a number: "1.50x" is 1.5, "0.50x" is 0.5,
// a focuser controller's "1234 steps" is 1234. Leading white space and a sign are
// allowed; no digits give 0. Independent of the process locale.

#include <cstdint>
#include <optional>
#include <string_view>

namespace velmora::server {

// A real number. One that is not finite ("inf", "nan", out of range) gives 0.
double leadingNumber(std::string_view text);
// An integer: conversion stops at the first non-digit. None when it does not fit 32
// bits, as no value a driver reads this way is that large.
std::optional<std::int32_t> leadingInteger(std::string_view text);

} // namespace velmora::server
