#include "server/frame/setup_controls.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace velmora::server {

const std::vector<std::string>& portSpeeds()
{
    static const std::vector<std::string> speeds = {"110",  "300",   "600",   "1200",  "2400",  "4800",
                                                    "9600", "14400", "38400", "57600", "115200"};
    return speeds;
}

std::optional<int> indexIn(const std::vector<std::string>& list, const std::string& name)
{
    const auto found = std::find(list.begin(), list.end(), name);
    if (found == list.end())
        return std::nullopt;
    return static_cast<int>(found - list.begin());
}

std::optional<int> portSpeedIndex(const std::string& speed)
{
    return indexIn(portSpeeds(), speed);
}

bool isSerialPortName(const std::string& portName)
{
    return portName.find("COM") != std::string::npos;
}

bool isParallelPortName(const std::string& portName)
{
    return portName.find("LPT") != std::string::npos;
}

std::string setupTitle(const char* format, const std::string& profile)
{
    char title[512];
    std::snprintf(title, sizeof title, format, profile.c_str());
    return title;
}

int arrowButtonId(Arrow arrow)
{
    switch (arrow) {
    case Arrow::Left:
        return arrow_ids::kLeft;
    case Arrow::Right:
        return arrow_ids::kRight;
    case Arrow::Up:
        return arrow_ids::kUp;
    case Arrow::Down:
        break;
    }
    return arrow_ids::kDown;
}

std::optional<Arrow> arrowOfButton(int controlId)
{
    for (Arrow arrow : {Arrow::Left, Arrow::Right, Arrow::Up, Arrow::Down})
        if (arrowButtonId(arrow) == controlId)
            return arrow;
    return std::nullopt;
}

bool ArrowPad::press(Arrow arrow)
{
    return !std::exchange(m_held[static_cast<std::size_t>(arrow)], true);
}

bool ArrowPad::release(Arrow arrow)
{
    return std::exchange(m_held[static_cast<std::size_t>(arrow)], false);
}

} // namespace velmora::server
