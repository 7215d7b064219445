#pragma once
// What this process holds right now, for tests that check resources come back.

#include <cstddef>

namespace velmora::testing {

// Resident memory, in bytes.
std::size_t residentBytes();
// Open file descriptors.
std::size_t openFdCount();

} // namespace velmora::testing
