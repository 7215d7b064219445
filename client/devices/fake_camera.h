#pragma once
// Test support: an in-process camera driver scripted by the test through a
// FakeCameraScript it shares. It answers the members the exposure cycle uses and
// logs every call ("StartExposure(r8:1.5,i2:-1);ImageReady;ImageArray;...").

#include "client/devices/camera_frame.h"
#include "platform/automation/in_process_class.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velmora::client::fakes {

struct FakeCameraScript {
    std::string log;
    bool connected = false;
    HRESULT startResult = S_OK;
    // ImageReady reads false this many times after each StartExposure, then true;
    // overridden by `ready` when that is set.
    int notReadyPolls = 0;
    std::function<bool()> ready;
    // Called by every accepted StartExposure.
    std::function<void()> onStart;
    bool imageArrayFails = false;
    FrameGeometry geometry{8, 6, 1};
    VARTYPE elementType = VT_I4;
    // Fills a frame of `geometry` in storage order; a ramp 0, 1, 2, … when unset.
    std::function<void(std::vector<std::int32_t>&, const FrameGeometry&)> render;
    // WM_COPYDATA overrides: the word sent and the bytes announced (at most the data).
    std::optional<WPARAM> rawWord;
    std::optional<DWORD> rawBytes;
    std::size_t rawByteOffset = 0; // sends the block from this byte on (misaligned data)

    int exposuresStarted = 0;
    int connectedReads = 0;
    double lastDuration = -1.0;
    int pollsSinceStart = 0;

    // The frame the camera holds now.
    std::vector<std::int32_t> frame() const;
};

// Registers "progId" as an in-process class making cameras on `script`.
std::unique_ptr<automation::InProcessClass> registerFakeCamera(const std::string& progId,
                                                               FakeCameraScript* script);

} // namespace velmora::client::fakes
