#include "sim/sky/sim_random.h"

#include <cmath>

namespace velmora::sim {

namespace {

std::uint64_t splitmix(std::uint64_t& x)
{
    std::uint64_t z = (x += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::uint64_t rotl(std::uint64_t x, int k)
{
    return (x << k) | (x >> (64 - k));
}

} // namespace

SimRandom::SimRandom(std::uint64_t seed)
{
    for (std::uint64_t& s : m_state)
        s = splitmix(seed);
}

std::uint64_t SimRandom::next()
{
    const std::uint64_t result = rotl(m_state[1] * 5, 7) * 9;
    const std::uint64_t t = m_state[1] << 17;
    m_state[2] ^= m_state[0];
    m_state[3] ^= m_state[1];
    m_state[1] ^= m_state[2];
    m_state[0] ^= m_state[3];
    m_state[2] ^= t;
    m_state[3] = rotl(m_state[3], 45);
    return result;
}

double SimRandom::uniform()
{
    return static_cast<double>(next() >> 11) * 0x1.0p-53;
}

double SimRandom::gaussian()
{
    const double u = 1.0 - uniform(); // (0, 1]
    const double v = uniform();
    return std::sqrt(-2.0 * std::log(u)) * std::cos(2.0 * 3.14159265358979323846 * v);
}

float SimRandom::quickGaussian()
{
    // Four 16-bit uniforms from one draw: mean 2, variance 4/12.
    const std::uint64_t r = next();
    float sum = 0.0f;
    for (int i = 0; i < 4; ++i)
        sum += static_cast<float>((r >> (16 * i)) & 0xFFFF) * (1.0f / 65536.0f);
    return (sum - 2.0f) * 1.7320508f;
}

} // namespace velmora::sim
