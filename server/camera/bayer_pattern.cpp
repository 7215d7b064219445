#include "server/camera/bayer_pattern.h"

namespace velmora::server {

namespace {

// kCells[type][row][column]
constexpr ColourChannel kCells[4][2][2] = {
    {{kBlue, kGreen}, {kGreen, kRed}},
    {{kGreen, kRed}, {kBlue, kGreen}},
    {{kRed, kGreen}, {kGreen, kBlue}},
    {{kGreen, kBlue}, {kRed, kGreen}},
};

} // namespace

BayerPattern::BayerPattern(int matrixType) : m_type(matrixType & 3) {}

BayerPattern BayerPattern::forSubFrame(int matrixType, int x0, int y0)
{
    int type = matrixType & 3;
    if (y0 & 1)
        type ^= 1; // 0 <-> 1, 2 <-> 3
    if (x0 & 1)
        type = 3 - type; // 0 <-> 3, 1 <-> 2
    return BayerPattern(type);
}

ColourChannel BayerPattern::siteColour(int x, int y) const
{
    return kCells[m_type][y & 1][x & 1];
}

} // namespace velmora::server
