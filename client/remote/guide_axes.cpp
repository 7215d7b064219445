#include "client/remote/guide_axes.h"

namespace velmora::client::remote {

RaDecPixels toRaDec(PixelOffset offset, double cosA, double sinA)
{
    return {cosA * offset.dx + sinA * offset.dy, -sinA * offset.dx + cosA * offset.dy};
}

PixelOffset fromRaDec(RaDecPixels offset, double cosA, double sinA)
{
    return {cosA * offset.ra - sinA * offset.dec, sinA * offset.ra + cosA * offset.dec};
}

PixelOffset ditherOffset(double amount, bool raOnly, double cosA, double sinA, std::mt19937_64& random)
{
    std::uniform_real_distribution<double> along(-amount, amount);
    RaDecPixels move;
    move.ra = along(random);
    move.dec = raOnly ? 0.0 : along(random);
    return fromRaDec(move, cosA, sinA);
}

} // namespace velmora::client::remote
