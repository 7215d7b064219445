#pragma once
// The device side of a serial line: fed every byte the host sends, in order, from the
// emulator's thread. The device has acted on the byte before its echo goes out, so a
// host that has read the echo sees the device's new state.

#include <string>

namespace velmora::sim {

class SerialProtocol {
public:
    virtual ~SerialProtocol() = default;

    // The reply to send after the byte's echo; empty when there is none.
    virtual std::string onByte(char byte) = 0;
};

} // namespace velmora::sim
