// The protocol's methods on the remote guider.
#include "client/remote/base64.h"
#include "client/remote/remote_guider.h"
#include "client/remote/request_params.h"

#include <chrono>
#include <filesystem>

namespace velmora::client::remote {

namespace {

constexpr double kLargestExposureMs = 99999990.0; // the exposure field's range, in ms
constexpr double kLargestCoordinate = 1e6;
constexpr int kDefaultStarImageSize = 15;
constexpr int kLargestStarImageSize = 256; // its answer stays well inside a client's output bound

MethodOutcome invalid(const RequestParams& params)
{
    return MethodOutcome::fail(params.error(), rpc::kInvalidParams);
}

MethodOutcome done()
{
    return MethodOutcome::ok(0);
}

Json equipmentItem(const EquipmentItem& item)
{
    return {{"name", item.name}, {"connected", item.connected}};
}

Json pointArray(ImagePoint p)
{
    return Json::array({p.x, p.y});
}

} // namespace

const std::map<std::string, RemoteGuider::Method>& RemoteGuider::methods()
{
    static const std::map<std::string, Method> table = {
        {"get_app_state", &RemoteGuider::getAppState},
        {"get_connected", &RemoteGuider::getConnected},
        {"set_connected", &RemoteGuider::setConnected},
        {"get_profiles", &RemoteGuider::getProfiles},
        {"get_profile", &RemoteGuider::getProfile},
        {"set_profile", &RemoteGuider::setProfile},
        {"get_current_equipment", &RemoteGuider::getCurrentEquipment},
        {"get_exposure", &RemoteGuider::getExposure},
        {"set_exposure", &RemoteGuider::setExposure},
        {"get_exposure_durations", &RemoteGuider::getExposureDurations},
        {"get_pixel_scale", &RemoteGuider::getPixelScale},
        {"get_camera_frame_size", &RemoteGuider::getCameraFrameSize},
        {"get_calibrated", &RemoteGuider::getCalibrated},
        {"get_lock_position", &RemoteGuider::getLockPosition},
        {"set_lock_position", &RemoteGuider::setLockPosition},
        {"find_star", &RemoteGuider::findStar},
        {"loop", &RemoteGuider::loop},
        {"stop_capture", &RemoteGuider::stopCapture},
        {"guide", &RemoteGuider::guide},
        {"dither", &RemoteGuider::dither},
        {"get_settling", &RemoteGuider::getSettling},
        {"set_paused", &RemoteGuider::setPaused},
        {"get_paused", &RemoteGuider::getPaused},
        {"get_guide_output_enabled", &RemoteGuider::getGuideOutputEnabled},
        {"set_guide_output_enabled", &RemoteGuider::setGuideOutputEnabled},
        {"capture_single_frame", &RemoteGuider::captureSingleFrame},
        {"save_image", &RemoteGuider::saveImage},
        {"get_star_image", &RemoteGuider::getStarImage},
        {"shutdown", &RemoteGuider::shutdown},
    };
    return table;
}

MethodOutcome RemoteGuider::getAppState(const Json&)
{
    return MethodOutcome::ok(appState());
}

MethodOutcome RemoteGuider::getConnected(const Json&)
{
    return MethodOutcome::ok(m_backend.connected());
}

MethodOutcome RemoteGuider::setConnected(const Json& params)
{
    RequestParams read(params);
    const std::optional<bool> on = read.boolean(0, "connected");
    if (read.failed())
        return invalid(read);
    if (*on == m_backend.connected())
        return done();
    if (!*on) {
        stopEverything("equipment disconnected");
        m_selectedStar.reset();
        m_backend.disconnect();
        return done();
    }
    if (const std::optional<std::string> error = m_backend.connect())
        return MethodOutcome::fail(*error);
    m_events.event("LockPositionSet",
                   Json{{"X", m_backend.lockPosition().x}, {"Y", m_backend.lockPosition().y}});
    return done();
}

MethodOutcome RemoteGuider::getProfiles(const Json&)
{
    return MethodOutcome::ok(Json::array({getProfile(nullptr).result}));
}

MethodOutcome RemoteGuider::getProfile(const Json&)
{
    return MethodOutcome::ok({{"id", 1}, {"name", m_backend.profileName()}});
}

MethodOutcome RemoteGuider::setProfile(const Json& params)
{
    RequestParams read(params);
    const std::optional<double> id = read.number(0, "id", -1e9, 1e9);
    if (read.failed())
        return invalid(read);
    if (*id != 1)
        return MethodOutcome::fail("invalid profile id: the one profile is the drivers' settings, id 1");
    return done();
}

MethodOutcome RemoteGuider::getCurrentEquipment(const Json&)
{
    const Equipment equipment = m_backend.equipment();
    return MethodOutcome::ok(
        {{"camera", equipmentItem(equipment.camera)}, {"mount", equipmentItem(equipment.mount)}});
}

MethodOutcome RemoteGuider::getExposure(const Json&)
{
    return MethodOutcome::ok(m_backend.exposureMs());
}

MethodOutcome RemoteGuider::setExposure(const Json& params)
{
    RequestParams read(params);
    const std::optional<double> ms = read.number(0, "exposure", 0.0, kLargestExposureMs);
    if (read.failed())
        return invalid(read);
    if (const std::optional<std::string> error = m_backend.setExposureMs(static_cast<int>(*ms)))
        return MethodOutcome::fail(*error);
    return done();
}

MethodOutcome RemoteGuider::getExposureDurations(const Json&)
{
    return MethodOutcome::ok(
        Json::array({100, 200, 500, 1000, 1500, 2000, 3000, 4000, 5000, 10000, 15000, 30000}));
}

MethodOutcome RemoteGuider::getPixelScale(const Json&)
{
    const double scale = m_backend.pixelScale();
    return MethodOutcome::ok(scale > 0.0 ? Json(scale) : Json(nullptr));
}

MethodOutcome RemoteGuider::getCameraFrameSize(const Json&)
{
    if (!m_backend.hasFrame())
        return MethodOutcome::fail("no frame yet: the frame size is known after the first exposure");
    const ImagePoint size = m_backend.frameSize();
    return MethodOutcome::ok(Json::array({static_cast<int>(size.x), static_cast<int>(size.y)}));
}

// Guiding works on the reticle's axes with its own gains: nothing to calibrate.
MethodOutcome RemoteGuider::getCalibrated(const Json&)
{
    return MethodOutcome::ok(true);
}

MethodOutcome RemoteGuider::getLockPosition(const Json&)
{
    if (!m_backend.connected())
        return MethodOutcome::ok(nullptr);
    return MethodOutcome::ok(pointArray(m_backend.lockPosition()));
}

MethodOutcome RemoteGuider::setLockPosition(const Json& params)
{
    RequestParams read(params);
    const std::optional<double> x = read.number(0, "x", 0.0, kLargestCoordinate);
    const std::optional<double> y = read.number(1, "y", 0.0, kLargestCoordinate);
    const std::optional<bool> exact = read.boolean(2, "exact", true);
    if (read.failed())
        return invalid(read);
    if (!m_backend.connected())
        return MethodOutcome::fail("cannot set the lock position: equipment not connected");
    ImagePoint lock{*x, *y};
    if (m_backend.hasFrame()) {
        const ImagePoint size = m_backend.frameSize();
        if (lock.x >= size.x || lock.y >= size.y)
            return MethodOutcome::fail("the lock position lies outside the frame");
    }
    if (!*exact) {
        const std::optional<ImagePoint> star = m_backend.starNear(lock);
        if (!star)
            return MethodOutcome::fail("no star near the lock position");
        lock = *star;
        selectStar(lock);
    }
    m_lockSetByClient = true;
    moveLockPosition(lock);
    return done();
}

MethodOutcome RemoteGuider::findStar(const Json&)
{
    if (m_backend.guiding())
        return MethodOutcome::fail("cannot select a star while guiding");
    if (!m_backend.hasFrame())
        return MethodOutcome::fail("cannot find a star: no frame yet (call loop first)");
    const std::optional<ImagePoint> star = m_backend.findStar();
    if (!star)
        return MethodOutcome::fail("could not find a guide star");
    selectStar(*star);
    return MethodOutcome::ok(pointArray(*star));
}

MethodOutcome RemoteGuider::loop(const Json&)
{
    if (!m_backend.connected())
        return MethodOutcome::fail("cannot loop: equipment not connected");
    if (m_backend.looping())
        return done();
    if (const std::optional<std::string> error = m_backend.startLooping())
        return MethodOutcome::fail(*error);
    m_loopFrames = 0;
    return done();
}

MethodOutcome RemoteGuider::stopCapture(const Json&)
{
    stopEverything("guiding stopped");
    return done();
}

MethodOutcome RemoteGuider::guide(const Json& params)
{
    RequestParams read(params);
    const std::optional<SettleParams> settle = read.settle(0, "settle");
    read.boolean(1, "recalibrate", false); // accepted: there is no calibration to redo
    if (read.failed())
        return invalid(read);
    if (!m_backend.connected())
        return MethodOutcome::fail("cannot guide: equipment not connected");
    if (m_backend.guiding()) {
        beginSettle(*settle);
        return done();
    }
    if (!m_backend.looping()) {
        if (const std::optional<std::string> error = m_backend.startLooping())
            return MethodOutcome::fail(*error);
        m_loopFrames = 0;
    }
    beginSettle(*settle);
    if (!m_backend.hasFrame()) {
        m_guidePending = true;
        return done();
    }
    if (const std::optional<std::string> error = startGuidingNow()) {
        m_settle.reset();
        return MethodOutcome::fail(*error);
    }
    return done();
}

MethodOutcome RemoteGuider::dither(const Json& params)
{
    RequestParams read(params);
    const std::optional<double> amount = read.number(0, "amount", 0.0, 1000.0);
    const std::optional<bool> raOnly = read.boolean(1, "raOnly", false);
    const std::optional<SettleParams> settle = read.settle(2, "settle");
    if (read.failed())
        return invalid(read);
    if (!m_backend.guiding())
        return MethodOutcome::fail("cannot dither if not guiding");
    const PixelOffset move = ditherOffset(*amount, *raOnly, m_backend.cosA(), m_backend.sinA(), m_random);
    const ImagePoint lock = m_backend.lockPosition();
    m_events.event("GuidingDithered", Json{{"dx", move.dx}, {"dy", move.dy}});
    moveLockPosition({lock.x + move.dx, lock.y + move.dy});
    beginSettle(*settle);
    return done();
}

MethodOutcome RemoteGuider::getSettling(const Json&)
{
    return MethodOutcome::ok(settling());
}

MethodOutcome RemoteGuider::setPaused(const Json& params)
{
    RequestParams read(params);
    const std::optional<bool> on = read.boolean(0, "paused");
    read.text(1, "type", std::string()); // "full" pauses the same way: exposures go on
    if (read.failed())
        return invalid(read);
    if (*on == m_paused)
        return done();
    m_paused = *on;
    refreshPulseGate();
    m_events.event(m_paused ? "Paused" : "Resumed");
    return done();
}

MethodOutcome RemoteGuider::getPaused(const Json&)
{
    return MethodOutcome::ok(m_paused);
}

MethodOutcome RemoteGuider::getGuideOutputEnabled(const Json&)
{
    return MethodOutcome::ok(m_guideOutputEnabled);
}

MethodOutcome RemoteGuider::setGuideOutputEnabled(const Json& params)
{
    RequestParams read(params);
    const std::optional<bool> on = read.boolean(0, "enabled");
    if (read.failed())
        return invalid(read);
    m_guideOutputEnabled = *on;
    refreshPulseGate();
    return done();
}

MethodOutcome RemoteGuider::captureSingleFrame(const Json& params)
{
    RequestParams read(params);
    const std::optional<double> ms =
        read.number(0, "exposure", 0.0, kLargestExposureMs, static_cast<double>(m_backend.exposureMs()));
    if (read.failed())
        return invalid(read);
    if (!m_backend.connected())
        return MethodOutcome::fail("cannot capture: equipment not connected");
    if (m_backend.looping())
        return MethodOutcome::fail("cannot capture single frame when capture is currently active");
    if (const std::optional<std::string> error = m_backend.captureSingleFrame(static_cast<int>(*ms)))
        return MethodOutcome::fail(*error);
    return done();
}

// In the temporary folder, as guiders do: the imaging program moves it where it wants.
MethodOutcome RemoteGuider::saveImage(const Json&)
{
    if (!m_backend.hasFrame())
        return MethodOutcome::fail("cannot save an image: no frame yet");
    std::error_code error;
    std::filesystem::path folder = std::filesystem::temp_directory_path(error);
    if (error)
        folder = "/tmp";
    const long long stamp = std::chrono::duration_cast<std::chrono::milliseconds>(
                                std::chrono::system_clock::now().time_since_epoch())
                                .count();
    const std::string path = (folder / ("velmora_image_" + std::to_string(stamp) + "_" +
                                        std::to_string(++m_savedImages) + ".fits"))
                                 .string();
    if (const std::optional<std::string> failed = m_backend.saveImage(path))
        return MethodOutcome::fail(*failed);
    return MethodOutcome::ok({{"filename", path}});
}

MethodOutcome RemoteGuider::getStarImage(const Json& params)
{
    RequestParams read(params);
    const std::optional<double> size =
        read.number(0, "size", kDefaultStarImageSize, kLargestStarImageSize, kDefaultStarImageSize);
    if (read.failed())
        return invalid(read);
    if (!m_selectedStar)
        return MethodOutcome::fail("no star selected");
    const std::optional<StarImage> image = m_backend.starImage(static_cast<int>(*size));
    if (!image)
        return MethodOutcome::fail("no star image: no frame");
    std::vector<std::uint8_t> bytes; // 16-bit samples, little-endian
    bytes.reserve(image->pixels.size() * 2);
    for (const std::uint16_t sample : image->pixels) {
        bytes.push_back(static_cast<std::uint8_t>(sample & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(sample >> 8));
    }
    Json result = Json::object();
    result["frame"] = m_backend.guiding() ? m_guideFrames : m_loopFrames;
    result["width"] = image->width;
    result["height"] = image->height;
    result["star_pos"] = pointArray(image->star);
    result["pixels"] = base64Encode(bytes);
    return MethodOutcome::ok(result);
}

MethodOutcome RemoteGuider::shutdown(const Json&)
{
    stopEverything("shutting down");
    m_shutdown = true;
    m_backend.requestShutdown();
    return done();
}

} // namespace velmora::client::remote
