#pragma once
// The date and time that file names and headers carry, behind an interface so that
// tests name the moment.

#include <chrono>

namespace velmora::client {

class WallClock {
public:
    virtual ~WallClock() = default;
    virtual std::chrono::system_clock::time_point now() const = 0;
};

class SystemWallClock : public WallClock {
public:
    std::chrono::system_clock::time_point now() const override { return std::chrono::system_clock::now(); }
};

} // namespace velmora::client
