// Automation dates: days since 1899-12-30; for days before it, the fraction still
// counts forward from midnight (-1.25 is 1899-12-29 06:00).
#include "platform/automation/variant_internal.h"

#include <cmath>
#include <cstdio>

namespace velmora::automation {

namespace {

constexpr long long kEpochOffsetDays = 25569; // 1899-12-30 to 1970-01-01
constexpr double kMinDate = -657434.0;        // 0100-01-01
constexpr double kMaxDate = 2958466.0;        // 10000-01-01

// Civil calendar from and to days since 1970-01-01 (proleptic Gregorian).
long long daysFromCivil(long long y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void civilFromDays(long long z, long long& y, unsigned& m, unsigned& d)
{
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<long long>(yoe) + era * 400 + (m <= 2);
}

bool isLeap(long long y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

unsigned daysInMonth(long long y, unsigned m)
{
    static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeap(y) ? 29 : kDays[m - 1];
}

// Reads exactly `digits` decimal digits at text[pos].
bool readNumber(std::string_view text, std::size_t pos, int digits, int& out)
{
    if (pos + static_cast<std::size_t>(digits) > text.size())
        return false;
    out = 0;
    for (int i = 0; i < digits; ++i) {
        const char c = text[pos + static_cast<std::size_t>(i)];
        if (c < '0' || c > '9')
            return false;
        out = out * 10 + (c - '0');
    }
    return true;
}

bool parseTime(std::string_view text, int& h, int& mi, int& s)
{
    h = mi = s = 0;
    if (text.empty())
        return true;
    if (text.size() != 6 && text.size() != 9)
        return false;
    if ((text[0] != ' ' && text[0] != 'T') || !readNumber(text, 1, 2, h) || text[3] != ':' ||
        !readNumber(text, 4, 2, mi))
        return false;
    if (text.size() == 9 && (text[6] != ':' || !readNumber(text, 7, 2, s)))
        return false;
    return h < 24 && mi < 60 && s < 60;
}

} // namespace

std::optional<std::string> formatOleDate(DATE date)
{
    if (!(date >= kMinDate && date < kMaxDate))
        return std::nullopt;
    const double dayPart = std::trunc(date);
    long long seconds = std::llround(std::fabs(date - dayPart) * 86400.0);
    if (seconds > 86399)
        seconds = 86399;
    long long y = 0;
    unsigned m = 0, d = 0;
    civilFromDays(static_cast<long long>(dayPart) - kEpochOffsetDays, y, m, d);
    char text[96];
    std::snprintf(text, sizeof text, "%04lld-%02u-%02u %02lld:%02lld:%02lld", y, m, d, seconds / 3600,
                  seconds / 60 % 60, seconds % 60);
    return std::string(text);
}

std::optional<DATE> parseOleDate(std::string_view text)
{
    int y = 0, m = 0, d = 0, h = 0, mi = 0, s = 0;
    if (!readNumber(text, 0, 4, y) || text.size() < 10 || text[4] != '-' || !readNumber(text, 5, 2, m) ||
        text[7] != '-' || !readNumber(text, 8, 2, d))
        return std::nullopt;
    if (y < 100 || m < 1 || m > 12 || d < 1 ||
        static_cast<unsigned>(d) > daysInMonth(y, static_cast<unsigned>(m)))
        return std::nullopt;
    if (!parseTime(text.substr(10), h, mi, s))
        return std::nullopt;
    const double days = static_cast<double>(
        daysFromCivil(y, static_cast<unsigned>(m), static_cast<unsigned>(d)) + kEpochOffsetDays);
    const double fraction = (h * 3600.0 + mi * 60.0 + s) / 86400.0;
    return days >= 0 ? days + fraction : days - fraction;
}

} // namespace velmora::automation
