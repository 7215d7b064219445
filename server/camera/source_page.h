#pragma once
// The capture device's source page: its settings (brightness, contrast, gain,
// exposure, white balance ... as the device reports them) with their values, set live
// while the stream keeps running. Integers show as sliders, booleans as check boxes,
// menus as lists; a setting the device marks read-only or inactive is shown disabled.
// After every change all settings are read again, since one (auto exposure, say) can
// make others active or inactive.

#include "platform/video/video_control.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace velmora::server {

class CameraDriver;

class SourcePage {
public:
    struct Row {
        platform::VideoControl control;
        std::optional<std::int32_t> value; // none when the device does not say
        bool enabled() const { return !control.readOnly && !control.inactive; }
    };

    // `camera` is borrowed; its device's settings are read at once.
    explicit SourcePage(CameraDriver& camera);

    const std::vector<Row>& rows() const { return m_rows; }
    // Sets the row's control (a button control is pressed by any value); false when the
    // device refuses. The rows are read again either way.
    bool set(std::size_t row, std::int32_t value);
    // "Default": every enabled setting back to the value the device names as default.
    void restoreDefaults();
    // The index of a menu row's entry with this value; none for other values.
    static std::optional<int> menuIndex(const Row& row, std::int32_t value);

private:
    void reload();

    CameraDriver& m_camera;
    std::vector<Row> m_rows;
};

} // namespace velmora::server
