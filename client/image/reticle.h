#pragma once
// The reticle: the guiding reference over the image — a centre, two perpendicular axes
// at the reticle angle ("Horizontal" X and "Vertical" Y) and three concentric circles of
// given angular diameter. Its state is the program's (section "Reticle", read when an
// image window opens and written when it closes); the centre and the angle with its
// rotation entries are published to the image geometry the guiding offsets use.
// Here too: the ranges of its fields, the drawing geometry, and the right-button
// editing (hit test, dragging the outer circle or an axis end, moving the centre).

#include "client/image/rgb_colour.h"
#include "common/numeric_field.h"

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace velmora::client {

class ImageGeometry;
class SettingsStore;

// The reticle bar's controls.
namespace reticle_bar {
constexpr int kCenterX = 1014;   // "Center X (pt)", tenths of a pixel
constexpr int kCenterY = 1016;   // "Center Y (pt)"
constexpr int kDiameter1 = 1018; // "Diameter 1 ('')", hundredths of an arcsecond
constexpr int kDiameter2 = 1020;
constexpr int kDiameter3 = 1022;
constexpr int kAngle = 1024;     // "Angle (grads)", hundredths of a degree
constexpr int kShowReticle = 1026;
constexpr int kShowCenter = 1027;
constexpr int kCenter = 1028;
constexpr int kCalibrate = 1029; // "Calibrate" / "Finish"
} // namespace reticle_bar

// What the right button holds on to.
enum class ReticleHit { None, HorizontalPositive, HorizontalNegative, VerticalPositive, VerticalNegative, OuterCircle };

struct ReticleEllipse {
    int centreX = 0; // surface pixels, y downwards
    int centreY = 0;
    int radiusX = 0;
    int radiusY = 0;
};

struct ReticleSegment {
    int x0 = 0;
    int y0 = 0;
    int x1 = 0;
    int y1 = 0;
    RgbColour colour;
};

struct ReticleLabel {
    int x = 0;
    int y = 0;
    std::string text;
};

struct ReticleDrawing {
    std::vector<ReticleEllipse> ellipses; // magenta
    std::vector<ReticleSegment> axes;     // horizontal yellow, vertical cyan
    std::vector<ReticleLabel> labels;     // "X", "Y" in white
};

class Reticle {
public:
    static constexpr RgbColour kCircleColour{255, 0, 255};
    static constexpr RgbColour kHorizontalColour{255, 255, 0};
    static constexpr RgbColour kVerticalColour{0, 255, 255};
    static constexpr RgbColour kLabelColour{255, 255, 255};

    explicit Reticle(ImageGeometry& geometry);

    void load(const SettingsStore& store);
    void save(SettingsStore& store) const;
    // The ranges follow the frame and the image scale: the centre within the frame, the
    // circles from 30, 60 and 90 pixels at the finer scale to the smaller field of view.
    void setLimits(int frameWidth, int frameHeight);

    bool showReticle() const { return m_showReticle; }
    bool showCenter() const { return m_showCenter; }
    void setShowReticle(bool on) { m_showReticle = on; }
    void setShowCenter(bool on) { m_showCenter = on; }

    // Stored integers, each through its field.
    int centreXTenths() const { return m_centreX.value(); }
    int centreYTenths() const { return m_centreY.value(); }
    int diameterHundredths(int circle) const { return m_diameters[static_cast<std::size_t>(circle)].value(); }
    int angleHundredths() const { return m_angle.value(); }
    void setCentreTenths(int x, int y);
    // "Center": the middle of the frame.
    void centre();
    // A diameter edit: the others are pushed so that D1 ≤ D2 ≤ D3.
    void setDiameterHundredths(int circle, int hundredths);
    void setAngleHundredths(int hundredths);
    void setAngleDegrees(double degrees);

    double centreX() const { return m_centreX.realValue(); } // pixels
    double centreY() const { return m_centreY.realValue(); }
    double diameterArcsec(int circle) const { return m_diameters[static_cast<std::size_t>(circle)].realValue(); }
    double angleDegrees() const { return m_angle.realValue(); }

    // The field of a control with the current range (for the bar's edits).
    common::NumericField field(int controlId) const;
    int value(int controlId) const;

    // Drawing over a frame of this height (surface row of image y is height − 1 − y).
    ReticleDrawing drawing(int frameHeight) const;

    // Right button at an image pixel.
    ReticleHit hitTest(double imageX, double imageY) const;
    // Pressing without a hit moves the centre there; with one, dragging starts.
    ReticleHit press(double imageX, double imageY);
    void drag(double imageX, double imageY);
    void release() { m_dragging = ReticleHit::None; }
    ReticleHit dragging() const { return m_dragging; }

private:
    void publish();
    void keepOrder(int changed);
    void updateRatios();

    ImageGeometry& m_geometry;
    bool m_showReticle = true;
    bool m_showCenter = false;
    common::NumericField m_centreX;
    common::NumericField m_centreY;
    std::array<common::NumericField, 3> m_diameters;
    common::NumericField m_angle;
    double m_ratio1 = 0.0; // D1 / D3
    double m_ratio2 = 0.0; // D2 / D3
    int m_width = 640;
    int m_height = 480;
    ReticleHit m_dragging = ReticleHit::None;
};

// The angle of the straight line fitted through a track (least squares of y on x),
// degrees: arctan(slope) × 57.29577957855229, 90 for a vertical track; nothing for an
// empty one.
std::optional<double> fittedTrackAngle(const std::vector<std::pair<double, double>>& track);

} // namespace velmora::client
