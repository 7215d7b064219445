#include "client/image/window_mapping.h"

#include <algorithm>
#include <cstdint>

namespace velmora::client {

namespace {

// a·b / c in 64 bits, truncating; 0 for an empty divisor.
int scaled(int a, int b, int c)
{
    if (c <= 0)
        return 0;
    return static_cast<int>(static_cast<std::int64_t>(a) * b / c);
}

} // namespace

ImagePoint WindowMapping::imagePoint(int mx, int my, ClientSize client) const
{
    if (fitToWindow)
        return {scaled(mx, frameWidth, client.width),
                frameHeight - scaled(my, frameHeight, client.height) - 1};
    return {mx + scrollX, frameHeight - scrollY - my - 1};
}

int WindowMapping::clientX(int imageX, ClientSize client) const
{
    return fitToWindow ? scaled(imageX, client.width, frameWidth) : imageX - scrollX;
}

int WindowMapping::clientY(int imageY, ClientSize client) const
{
    const int row = frameHeight - 1 - imageY;
    return fitToWindow ? scaled(row, client.height, frameHeight) : row - scrollY;
}

ClientSize keepAspectRatio(ClientSize proposed, SizingEdge edge, int frameWidth, int frameHeight)
{
    if (frameWidth <= 0 || frameHeight <= 0)
        return proposed;
    const int heightFromWidth = scaled(proposed.width, frameHeight, frameWidth);
    const int widthFromHeight = scaled(proposed.height, frameWidth, frameHeight);
    switch (edge) {
    case SizingEdge::Right:
        return {proposed.width, heightFromWidth};
    case SizingEdge::Bottom:
        return {widthFromHeight, proposed.height};
    case SizingEdge::Corner:
        break;
    }
    if (heightFromWidth > proposed.height)
        return {proposed.width, heightFromWidth};
    return {widthFromHeight, proposed.height};
}

ClientSize enlargeToAspectRatio(ClientSize current, int frameWidth, int frameHeight)
{
    return keepAspectRatio(current, SizingEdge::Corner, frameWidth, frameHeight);
}

ClientSize limitToFrame(ClientSize proposed, int frameWidth, int frameHeight)
{
    return {std::min(proposed.width, frameWidth), std::min(proposed.height, frameHeight)};
}

ClientSize scrollRange(ClientSize client, int frameWidth, int frameHeight)
{
    return {std::max(frameWidth - client.width, 0), std::max(frameHeight - client.height, 0)};
}

} // namespace velmora::client
