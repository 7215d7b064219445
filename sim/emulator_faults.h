#pragma once
// Faults an emulated serial device can be told to show, for tests of the host side.

#include <chrono>
#include <cstdint>

namespace velmora::sim {

struct EmulatorFaults {
    // Index (from 0) of the byte, counted from when the faults were set, whose echo is
    // not sent; negative: every echo is sent.
    int dropEchoOfByte = -1;
    // Replies go out this much later than they would.
    std::chrono::milliseconds replyDelay{0};
    // Replies are replaced by a line of random bytes (ending LF CR).
    bool garbageReplies = false;
    // Replies are replaced by a line longer than 256 bytes (ending LF CR).
    bool overlongReplies = false;
    // The device sends nothing at all, neither echoes nor replies.
    bool silent = false;
    // Every byte to the host (echo or reply) goes out this long after the one before:
    // a device that trickles, each byte in time, the whole never.
    std::chrono::milliseconds byteInterval{0};
    // Seed of the garbage.
    std::uint32_t seed = 1;
};

} // namespace velmora::sim
