#pragma once
// How the image window maps its surface onto its client area: scaled into it with
// "Fit To Window", otherwise 1:1 from the scroll position with the client area never
// larger than the frame; with "Keep Aspect Ratio" the client area keeps the frame's
// proportions while it is sized. And the reverse, from a client point to the image
// pixel under it (row 0 of the frame at the bottom).

namespace velmora::client {

struct ClientSize {
    int width = 0;
    int height = 0;

    friend bool operator==(const ClientSize&, const ClientSize&) = default;
};

struct ImagePoint {
    int x = 0;
    int y = 0;

    friend bool operator==(const ImagePoint&, const ImagePoint&) = default;
};

// Which border the user drags while sizing the window.
enum class SizingEdge { Right, Bottom, Corner };

struct WindowMapping {
    int frameWidth = 0;
    int frameHeight = 0;
    bool fitToWindow = false;
    int scrollX = 0;
    int scrollY = 0;

    // The image pixel under a client point: fitted x = mx·width / clientWidth and
    // y = height − my·height / clientHeight − 1; else x = mx + scrollX and
    // y = height − scrollY − my − 1. Integer arithmetic, truncating.
    ImagePoint imagePoint(int mx, int my, ClientSize client) const;
    // The reverse for a pixel's top-left corner, for drawing marks over the picture.
    int clientX(int imageX, ClientSize client) const;
    int clientY(int imageY, ClientSize client) const;
};

// Keep Aspect Ratio while sizing: dragging the right edge sets the height from the
// width, the bottom edge the width from the height, the corner enlarges whichever
// side is too small.
ClientSize keepAspectRatio(ClientSize proposed, SizingEdge edge, int frameWidth, int frameHeight);
// Turning Keep Aspect Ratio on enlarges the client area as a corner drag would.
ClientSize enlargeToAspectRatio(ClientSize current, int frameWidth, int frameHeight);
// Without Fit To Window the client area never exceeds the frame.
ClientSize limitToFrame(ClientSize proposed, int frameWidth, int frameHeight);
// The scroll range of a 1:1 view: how far the frame reaches past the client area.
ClientSize scrollRange(ClientSize client, int frameWidth, int frameHeight);

} // namespace velmora::client
