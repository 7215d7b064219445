#pragma once
// Decimal settings kept as integers of a finer unit: hundredths of a micrometre,
// millimetres for metres.

#include <cstdint>

namespace velmora::server {

// stored / factor: 375 hundredths are 3.75.
double realFromStored(std::int32_t stored, int factor);

// real * factor truncated toward zero. A product that lies within rounding error of a
// whole number is that number, so every stored value comes back unchanged after a
// read (0.29 * 100 is 28.999999999999996 in binary, and must be stored as 29, not 28).
// Out-of-range products are clamped; NaN gives 0.
std::int32_t storedFromReal(double real, int factor);

} // namespace velmora::server
