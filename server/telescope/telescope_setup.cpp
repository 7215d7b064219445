#include "server/telescope/telescope_setup.h"

#include "server/frame/scaled_value.h"
#include "server/telescope/telescope_driver.h"

#include <cstdio>

namespace velmora::server {

namespace td = telescope_dlg;

namespace {

constexpr int kDirections = 4;
constexpr std::uint16_t kNoLineWord = 0xFF00;
constexpr int kMillimetresPerMetre = 1000;
constexpr int kMaxEditValue = 999999;
constexpr double kResolutionNumerator = 0.12582153195450083; // arcseconds x metres

common::NumericField numberField(std::int32_t minimum, double scale, std::int32_t step, const char* format)
{
    common::NumericField f;
    f.setFlags(common::kHasSpin | common::kRangeCheck |
               (scale != 1.0 ? std::uint32_t{common::kDecimalDisplay} : 0u));
    f.setScale(scale);
    f.setFormat(format);
    f.setRange(minimum, kMaxEditValue);
    f.setStep(step);
    return f;
}

// Hundredths, truncated as the dialog shows them.
std::string hundredthsText(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", realFromStored(storedFromReal(value, 100), 100));
    return text;
}

// Guide direction of each arrow (North, South, East, West = 0..3) and the axis it moves.
int directionOf(Arrow arrow)
{
    switch (arrow) {
    case Arrow::Up:
        return 0;
    case Arrow::Down:
        return 1;
    case Arrow::Right:
        return 2;
    case Arrow::Left:
        break;
    }
    return 3;
}

int axisOf(Arrow arrow)
{
    return arrow == Arrow::Left || arrow == Arrow::Right ? 1 : 0;
}

} // namespace

LineDirections lineDirectionsOf(const PulseGuider::DirectionWords& words)
{
    LineDirections lines{};
    for (int line = 0; line < td::kLines; ++line) {
        for (int d = 0; d < kDirections && !lines[static_cast<std::size_t>(line)]; ++d) {
            if ((words[static_cast<std::size_t>(d)] >> line) & 1u)
                lines[static_cast<std::size_t>(line)] = d;
        }
    }
    return lines;
}

PulseGuider::DirectionWords directionWordsOf(const LineDirections& lines)
{
    PulseGuider::DirectionWords words;
    words.fill(kNoLineWord);
    for (int line = 0; line < td::kLines; ++line) {
        if (const std::optional<int> d = lines[static_cast<std::size_t>(line)]) {
            auto& word = words[static_cast<std::size_t>(*d)];
            word = static_cast<std::uint16_t>((1u << line) | (word & ~(1u << (line + 8))));
        }
    }
    return words;
}

std::optional<int> nextLineDirection(std::optional<int> direction)
{
    if (!direction)
        return 0;
    if (*direction + 1 < kDirections)
        return *direction + 1;
    return std::nullopt;
}

const char* lineDirectionLetter(std::optional<int> direction)
{
    static const char* const letters[] = {"N", "S", "E", "W"};
    return direction && *direction >= 0 && *direction < kDirections ? letters[*direction] : "";
}

const std::vector<std::string>& barlowTexts()
{
    static const std::vector<std::string> texts{"0.33x", "0.50x", "0.66x", "1.00x", "1.50x",
                                                "2.00x", "2.50x", "3.00x", "3.50x", "4.00x"};
    return texts;
}

std::string focalRatioText(double focalMetres, double diameterMetres)
{
    return hundredthsText(diameterMetres > 0 ? focalMetres / diameterMetres : 0.0);
}

std::string resolutionText(double diameterMetres)
{
    return hundredthsText(diameterMetres > 0 ? kResolutionNumerator / diameterMetres : 0.0);
}

std::vector<std::string> lineNumbers(int labelId)
{
    const int first = labelId == td::kRelayNumbers ? 8 : 9;
    std::vector<std::string> numbers;
    for (int n = first; n > first - td::kLines; --n)
        numbers.push_back(std::to_string(n));
    return numbers;
}

TelescopeSetup::TelescopeSetup(TelescopeDriver& telescope) : m_telescope(telescope) {}

void TelescopeSetup::open()
{
    m_telescope.ports().listPorts(m_ports, true, true);
}

std::string TelescopeSetup::title() const
{
    return setupTitle(td::kTitleFormat, m_telescope.profile());
}

common::NumericField TelescopeSetup::field(int id)
{
    switch (id) {
    case td::kHorBacklash:
    case td::kVerBacklash:
        return numberField(0, 0.001, 10, "%.2f"); // milliseconds shown in seconds
    case td::kDiameter:
    case td::kFocal:
        return numberField(1, 1.0, 1, "%.0f");
    default:
        return {};
    }
}

const TelescopeStatus& TelescopeSetup::refreshStatus()
{
    bool connected = false;
    m_telescope.getConnected(connected);
    m_status.connected = connected;
    m_status.connectText = connected ? "Disconnect" : "Connect";
    m_status.deviceText = m_telescope.deviceStatus();
    return m_status;
}

TelescopeValues TelescopeSetup::values() const
{
    const TelescopeSettings s = m_telescope.settings();
    TelescopeValues v;
    v.horBacklashMs = s.horBacklashMs;
    v.verBacklashMs = s.verBacklashMs;
    v.diameterMm = storedFromReal(s.diameter, kMillimetresPerMetre);
    v.focalMm = storedFromReal(s.focal, kMillimetresPerMetre);
    v.useRelay = s.useRelay;
    v.invert = s.invertPolarity;
    v.barlowIndex = indexIn(barlowTexts(), s.barlow);
    v.portIndex = indexIn(m_ports, s.port);
    v.speedIndex = portSpeedIndex(s.portSpeed);
    v.lines = lineDirectionsOf(s.directionWords);
    double diameter = 0.0;
    double focal = 0.0;
    m_telescope.getApertureDiameter(diameter);
    m_telescope.getFocalLength(focal);
    v.focalRatio = focalRatioText(focal, diameter);
    v.resolution = resolutionText(diameter);
    return v;
}

bool TelescopeSetup::enabled(int controlId) const
{
    const std::string port = m_telescope.settings().port;
    switch (controlId) {
    case td::kSpeed:
    case td::kUseRelay:
        return isSerialPortName(port);
    case arrow_ids::kLeft:
    case arrow_ids::kRight:
    case arrow_ids::kUp:
    case arrow_ids::kDown:
    case arrow_ids::kCentre:
        return m_status.connected;
    default:
        return true;
    }
}

bool TelescopeSetup::visible(int controlId) const
{
    const std::string port = m_telescope.settings().port;
    if (controlId == td::kRelayNumbers)
        return isSerialPortName(port);
    if (controlId == td::kPinNumbers)
        return isParallelPortName(port);
    return true;
}

bool TelescopeSetup::edit(int controlId, int value)
{
    switch (controlId) {
    case td::kHorBacklash:
        m_telescope.setBacklash(1, value);
        break;
    case td::kVerBacklash:
        m_telescope.setBacklash(0, value);
        break;
    case td::kDiameter:
        m_telescope.setDiameter(realFromStored(value, kMillimetresPerMetre));
        break;
    case td::kFocal:
        m_telescope.setFocal(realFromStored(value, kMillimetresPerMetre));
        break;
    default:
        break;
    }
    return false;
}

bool TelescopeSetup::select(int controlId, int index)
{
    if (index < 0)
        return false;
    const auto i = static_cast<std::size_t>(index);
    switch (controlId) {
    case td::kPort:
        if (i >= m_ports.size())
            return false;
        m_telescope.setPortName(m_ports[i]);
        return true;
    case td::kSpeed:
        if (i >= portSpeeds().size())
            return false;
        m_telescope.setPortSpeed(portSpeeds()[i]);
        return true;
    case td::kBarlow:
        if (i < barlowTexts().size())
            m_telescope.setBarlow(barlowTexts()[i]);
        return false;
    default:
        return false;
    }
}

void TelescopeSetup::clickLine(int line)
{
    LineDirections lines = lineDirectionsOf(m_telescope.settings().directionWords);
    auto& shown = lines[static_cast<std::size_t>(line)];
    shown = nextLineDirection(shown);
    m_telescope.setDirectionWords(directionWordsOf(lines));
}

bool TelescopeSetup::click(int controlId, bool checked)
{
    if (controlId >= td::kFirstLine && controlId < td::kFirstLine + td::kLines) {
        clickLine(controlId - td::kFirstLine);
        return false;
    }
    switch (controlId) {
    case td::kUseRelay:
        m_telescope.setUseRelay(checked);
        return false;
    case td::kInvert:
        m_telescope.setInvertPolarity(checked);
        return false;
    case td::kConnect: {
        bool connected = false;
        m_telescope.getConnected(connected);
        m_telescope.putConnected(!connected);
        return true;
    }
    case arrow_ids::kCentre:
        releaseAll();
        return false;
    default:
        return false;
    }
}

void TelescopeSetup::loadProfile(const std::string& name)
{
    m_telescope.putConnected(false);
    m_telescope.loadSettings(name);
    m_telescope.putConnected(true);
}

void TelescopeSetup::saveProfile(const std::string& name)
{
    m_telescope.saveSettings(name);
}

bool TelescopeSetup::press(Arrow arrow)
{
    if (!m_pad.press(arrow))
        return false;
    m_telescope.holdDirection(directionOf(arrow));
    return true;
}

bool TelescopeSetup::release(Arrow arrow)
{
    if (!m_pad.release(arrow))
        return false;
    m_telescope.releaseAxis(axisOf(arrow));
    return true;
}

void TelescopeSetup::releaseAll()
{
    m_pad.releaseAll();
    m_telescope.releaseBothAxes();
}

} // namespace velmora::server
