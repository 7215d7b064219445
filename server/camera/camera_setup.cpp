#include "server/camera/camera_setup.h"

#include "server/camera/bayer_pattern.h"
#include "server/camera/camera_driver.h"
#include "server/camera/sub_frame_limits.h"
#include "server/frame/scaled_value.h"
#include "server/frame/setup_controls.h"

#include <cstdio>

namespace velmora::server {

namespace cd = camera_dlg;
using common::NumericField;

namespace {

constexpr int kHundredths = 100;
constexpr int kMaxFramesToSum = 257;
constexpr int kMaxEditValue = 999999;

NumericField numberField(std::int32_t minimum, std::int32_t maximum, double scale = 1.0,
                         const char* format = "%.0f")
{
    NumericField f;
    // Scaled values show their decimals (5.60 micrometres for 560 hundredths).
    f.setFlags(common::kHasSpin | common::kRangeCheck |
               (scale != 1.0 ? std::uint32_t{common::kDecimalDisplay} : 0u));
    f.setScale(scale);
    f.setFormat(format);
    f.setRange(minimum, maximum);
    return f;
}

int coefficientIndex(int controlId)
{
    switch (controlId) {
    case cd::kRedCoeff:
        return kRed;
    case cd::kGreenCoeff:
        return kGreen;
    default:
        return kBlue;
    }
}

} // namespace

CameraSetup::CameraSetup(CameraDriver& camera) : m_camera(camera), m_portRegistry(camera.ports()) {}

CameraSetup::~CameraSetup() = default;

void CameraSetup::open()
{
    m_portRegistry.listPorts(m_ports, true, true);
    m_devices = m_camera.enumerateDevices();
}

std::string CameraSetup::title() const
{
    return setupTitle(cd::kTitleFormat, m_camera.profile());
}

NumericField CameraSetup::field(int id, const CameraValues& values)
{
    const int minSize = SubFrameLimits::kMinSize;
    switch (id) {
    case cd::kPixelWidth:
    case cd::kPixelHeight:
        return numberField(1, kMaxEditValue, 0.01, "%.2f");
    case cd::kMatrixWidth:
    case cd::kMatrixHeight:
        return numberField(1, kMaxEditValue);
    case cd::kStartX:
        return numberField(0, std::max(0, values.captureWidth - minSize));
    case cd::kStartY:
        return numberField(0, std::max(0, values.captureHeight - minSize));
    case cd::kNumX:
        return numberField(minSize, std::max(minSize, values.captureWidth));
    case cd::kNumY:
        return numberField(minSize, std::max(minSize, values.captureHeight));
    case cd::kRedCoeff:
    case cd::kGreenCoeff:
    case cd::kBlueCoeff:
        return numberField(0, 100);
    case cd::kAccumulate:
        return numberField(1, kMaxFramesToSum);
    case cd::kPreviewExposure:
        return numberField(0, kMaxEditValue, 0.01, "%.2f");
    default:
        return NumericField();
    }
}

int CameraSetup::cellBitmap(ColourChannel colour)
{
    switch (colour) {
    case kRed:
        return 111;
    case kGreen:
        return 112;
    case kBlue:
        break;
    }
    return 113;
}

const CameraStatus& CameraSetup::refreshStatus()
{
    bool connected = false;
    m_camera.getConnected(connected);
    m_status.connected = connected;
    m_status.portOpen = m_camera.portOpen();
    m_status.connectText = connected ? "Disconnect" : "Connect";
    m_status.portStatus = m_camera.portStatus();
    if (m_preview && !(m_status.connected && m_status.portOpen))
        closePreview();
    return m_status;
}

CameraValues CameraSetup::values() const
{
    const CameraSettings s = m_camera.settings();
    CameraValues v;
    v.pixelWidth = storedFromReal(s.pixelWidth, kHundredths);
    v.pixelHeight = storedFromReal(s.pixelHeight, kHundredths);
    v.matrixWidth = s.matrixWidth;
    v.matrixHeight = s.matrixHeight;
    v.startX = s.startX;
    v.startY = s.startY;
    v.numX = s.numX;
    v.numY = s.numY;
    v.captureWidth = s.formatWidth;
    v.captureHeight = s.formatHeight;
    v.coefficients = {s.blueCoeff, s.greenCoeff, s.redCoeff};
    v.framesToSum = s.framesNumber;
    v.colourMode = s.colorMode;
    v.sequenceType = s.exposure.type();
    v.portIndex = indexIn(m_ports, s.port);
    v.speedIndex = portSpeedIndex(s.portSpeed);
    v.deviceIndex = m_camera.chosenDeviceIndex();
    return v;
}

PatternView CameraSetup::pattern() const
{
    const ColourSettings colour = m_camera.colourSettings();
    PatternView view;
    view.visible = colour.mode == ColourMode::Luminosity || colour.mode == ColourMode::Debayerization;
    char label[32];
    std::snprintf(label, sizeof label, "PATTERN - %d", colour.matrixType + 1);
    view.label = label;
    const BayerPattern pattern(colour.matrixType);
    view.cells = {pattern.siteColour(0, 1), pattern.siteColour(1, 1), pattern.siteColour(0, 0),
                  pattern.siteColour(1, 0)};
    return view;
}

bool CameraSetup::visible(int controlId) const
{
    const bool patternControl =
        controlId == cd::kPatternLeft || controlId == cd::kPatternRight ||
        (controlId >= cd::kCellTopLeft && controlId < cd::kCellFrameTopLeft + cd::kCells);
    return !patternControl || pattern().visible;
}

bool CameraSetup::enabled(int controlId) const
{
    switch (controlId) {
    case cd::kFormat:
    case cd::kSource:
        return m_status.connected;
    case cd::kPreview:
        return m_status.connected && m_status.portOpen;
    case cd::kSpeed:
        return isSerialPortName(m_camera.settings().port);
    case cd::kPreviewExposure:
    case cd::kRestart:
        return previewOpen();
    default:
        return visible(controlId);
    }
}

unsigned CameraSetup::editSensor(int controlId, int value)
{
    const CameraSettings s = m_camera.settings();
    int matrixWidth = s.matrixWidth;
    int matrixHeight = s.matrixHeight;
    double pixelWidth = s.pixelWidth;
    double pixelHeight = s.pixelHeight;
    switch (controlId) {
    case cd::kPixelWidth:
        pixelWidth = realFromStored(value, kHundredths);
        break;
    case cd::kPixelHeight:
        pixelHeight = realFromStored(value, kHundredths);
        break;
    case cd::kMatrixWidth:
        matrixWidth = value;
        break;
    default:
        matrixHeight = value;
        break;
    }
    m_camera.setSensor(matrixWidth, matrixHeight, pixelWidth, pixelHeight);
    return kShowNothing;
}

unsigned CameraSetup::editSubFrame(int controlId, int value)
{
    switch (controlId) {
    case cd::kStartX:
        m_camera.putStartX(value);
        break;
    case cd::kStartY:
        m_camera.putStartY(value);
        break;
    case cd::kNumX:
        m_camera.putNumX(value);
        break;
    default:
        m_camera.putNumY(value);
        break;
    }
    return kShowValues; // the camera's clamping moves the other value of the axis
}

unsigned CameraSetup::edit(int controlId, int value)
{
    switch (controlId) {
    case cd::kPixelWidth:
    case cd::kPixelHeight:
    case cd::kMatrixWidth:
    case cd::kMatrixHeight:
        return editSensor(controlId, value);
    case cd::kStartX:
    case cd::kStartY:
    case cd::kNumX:
    case cd::kNumY:
        return editSubFrame(controlId, value);
    case cd::kRedCoeff:
    case cd::kGreenCoeff:
    case cd::kBlueCoeff:
        m_camera.setCoefficient(coefficientIndex(controlId), value);
        return kShowNothing;
    case cd::kAccumulate:
        m_camera.setFramesToSum(value);
        return kShowNothing;
    case cd::kPreviewExposure:
        m_previewUnits = value;
        if (m_preview)
            m_preview->setExposure(previewSeconds());
        return kShowNothing;
    default:
        return kShowNothing;
    }
}

unsigned CameraSetup::select(int controlId, int index)
{
    if (index < 0)
        return kShowNothing;
    const auto i = static_cast<std::size_t>(index);
    switch (controlId) {
    case cd::kPort:
        if (i < m_ports.size())
            m_camera.setPortName(m_ports[i]);
        return kShowStatus;
    case cd::kSpeed:
        if (i < portSpeeds().size())
            m_camera.setPortSpeed(portSpeeds()[i]);
        return kShowStatus;
    case cd::kDevice:
        m_camera.chooseDevice(index);
        return kShowStatus | kShowValues;
    default:
        return kShowNothing;
    }
}

unsigned CameraSetup::clickColourMode(int mode)
{
    m_camera.setColourMode(mode);
    return kShowPattern;
}

unsigned CameraSetup::stepMatrixType(int step)
{
    const int type = m_camera.colourSettings().matrixType;
    m_camera.setMatrixType((type + step + ColourSettings::kMatrixTypes) % ColourSettings::kMatrixTypes);
    return kShowPattern;
}

unsigned CameraSetup::click(int controlId)
{
    switch (controlId) {
    case cd::kGraying:
    case cd::kLuminosity:
    case cd::kOriginal:
    case cd::kDebayerization:
        return clickColourMode(controlId - cd::kGraying);
    case cd::kPatternLeft:
        return stepMatrixType(-1);
    case cd::kPatternRight:
        return stepMatrixType(+1);
    case cd::kAmpModeOn:
    case cd::kAmpModeOff:
        m_camera.chooseSequence(controlId - cd::kAmpModeOn);
        return kShowNothing;
    case cd::kConnect: {
        bool connected = false;
        m_camera.getConnected(connected);
        m_camera.putConnected(!connected);
        return kShowStatus | kShowValues;
    }
    case cd::kFormat:
        m_camera.showFormatPage();
        return kShowValues;
    case cd::kSource:
        m_camera.showSourcePage();
        return kShowNothing;
    case cd::kRestart:
        if (m_preview)
            m_preview->restart();
        return kShowNothing;
    default:
        return kShowNothing;
    }
}

unsigned CameraSetup::loadProfile(const std::string& name)
{
    m_camera.loadProfile(name);
    return kShowTitle | kShowStatus | kShowValues | kShowPattern;
}

unsigned CameraSetup::saveProfile(const std::string& name)
{
    m_camera.saveSettings(name);
    return kShowTitle;
}

void CameraSetup::applyExposureBits(const ExposureSequence& sequence)
{
    m_camera.replaceSelectedSequence(sequence);
}

ExposureSequence CameraSetup::selectedSequence() const
{
    return m_camera.sequences().selected();
}

double CameraSetup::previewSeconds() const
{
    return realFromStored(m_previewUnits, kHundredths);
}

void CameraSetup::openPreview(int bitsPerPixel)
{
    if (m_preview)
        return;
    m_preview = std::make_unique<CameraPreview>(m_camera, previewSeconds(), bitsPerPixel);
    m_preview->restart();
}

void CameraSetup::closePreview()
{
    if (!m_preview)
        return;
    m_preview->close();
    m_preview.reset();
}

} // namespace velmora::server
