#pragma once
// What this process holds right now, for tests that check resources come back.

#include <cstddef>

namespace velmora::testing {

// Resident memory, in bytes.
std::size_t residentBytes();
// Open file descriptors.
std::size_t openFdCount();

// Whether resident memory tells what the program gives back: not under the address
// sanitizer, which keeps freed memory in quarantine (and checks for leaks itself).
constexpr bool residentMemoryIsMeaningful()
{
#if defined(__SANITIZE_ADDRESS__)
    return false;
#else
    return true;
#endif
}

} // namespace velmora::testing
