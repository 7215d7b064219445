#pragma once
// The simulator's random numbers: xoshiro256** seeded through splitmix64, so a seed
// gives the same sky and noise on every platform and library.

#include <cstdint>

namespace velmora::sim {

class SimRandom {
public:
    explicit SimRandom(std::uint64_t seed);

    std::uint64_t next();
    // Uniform in [0, 1).
    double uniform();
    // Standard normal (Box-Muller).
    double gaussian();
    // Approximately standard normal and cheap (sum of four uniforms), for pixel noise.
    float quickGaussian();

private:
    std::uint64_t m_state[4];
};

} // namespace velmora::sim
