#include "common/numeric_field.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string_view>

namespace velmora::common {

namespace {

constexpr double kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr double kInt32Max = std::numeric_limits<std::int32_t>::max();

std::int32_t saturate(long long v)
{
    if (v < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    if (v > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(v);
}

bool isSingleFloatConversion(const std::string& format)
{
    int conversions = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%')
            continue;
        if (i + 1 < format.size() && format[i + 1] == '%') {
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        while (j < format.size() && std::string_view("-+ #0").find(format[j]) != std::string_view::npos)
            ++j;
        while (j < format.size() && (std::isdigit(static_cast<unsigned char>(format[j])) || format[j] == '.'))
            ++j;
        if (j >= format.size() || std::string_view("fFeEgG").find(format[j]) == std::string_view::npos)
            return false;
        ++conversions;
        i = j;
    }
    return conversions == 1;
}

} // namespace

std::int32_t truncateToUnits(double real, double scale)
{
    double q = real / scale;
    if (std::isnan(q))
        return 0;
    double nearest = std::round(q);
    if (std::fabs(q - nearest) <= 1e-9 * std::max(1.0, std::fabs(q)))
        q = nearest;
    if (q <= kInt32Min)
        return std::numeric_limits<std::int32_t>::min();
    if (q >= kInt32Max)
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(q); // toward zero
}

NumericField::NumericField()
{
    display();
}

bool NumericField::setFormat(const std::string& format)
{
    if (!isSingleFloatConversion(format))
        return false;
    m_format = format;
    display();
    return true;
}

void NumericField::setRange(std::int32_t minimum, std::int32_t maximum)
{
    m_minimum = std::min(minimum, maximum);
    m_maximum = std::max(minimum, maximum);
}

void NumericField::setScale(double scale)
{
    if (scale > 0 && std::isfinite(scale))
        m_scale = scale;
    m_realValue = m_value * m_scale;
}

void NumericField::setValue(std::int32_t value)
{
    m_value = value;
    applyRange();
    display();
}

void NumericField::setRealValue(double real)
{
    setValue(truncateToUnits(real, m_scale));
}

void NumericField::setEditedText(std::string text)
{
    m_text = std::move(text);
    m_modified = true;
}

bool NumericField::acceptsCharacter(char c) const
{
    if (c >= '0' && c <= '9')
        return true;
    if (c == '-')
        return (m_flags & kAllowMinus) && m_text.find('-') == std::string::npos;
    if (c == '.')
        return (m_flags & kDecimalDisplay) && m_text.find('.') == std::string::npos;
    return false;
}

std::int32_t NumericField::parseText() const
{
    if (m_flags & kDecimalDisplay)
        return truncateToUnits(std::atof(m_text.c_str()), m_scale);
    errno = 0;
    long long v = std::strtoll(m_text.c_str(), nullptr, 10); // the decimal integer prefix; none gives 0
    return saturate(v);
}

bool NumericField::commit()
{
    if (!m_modified)
        return false;
    const std::int32_t old = m_value;
    if (m_text.empty()) {
        display();
        return (m_flags & kNotifyEveryCommit) != 0;
    }
    m_value = parseText();
    applyRange();
    display();
    return m_value != old || (m_flags & kNotifyEveryCommit);
}

bool NumericField::spin(int delta)
{
    if (m_modified)
        commit(); // a typed value counts before the click changes it
    const std::int32_t old = m_value;
    m_value = saturate(static_cast<long long>(m_value) - static_cast<long long>(delta) * m_step);
    applyRange();
    display();
    return m_value != old || (m_flags & kNotifyEveryCommit);
}

void NumericField::applyRange()
{
    if (m_flags & kRangeCheck) {
        if (m_flags & kWrapRange) {
            const long long span = static_cast<long long>(m_maximum) - m_minimum;
            if (span <= 0) {
                m_value = m_minimum;
            } else {
                long long offset = (static_cast<long long>(m_value) - m_minimum) % span;
                if (offset < 0)
                    offset += span;
                m_value = static_cast<std::int32_t>(m_minimum + offset);
            }
        } else {
            m_value = std::clamp(m_value, m_minimum, m_maximum);
        }
    }
    m_realValue = m_value * m_scale;
}

void NumericField::display()
{
    char buf[64];
    if (m_flags & kDecimalDisplay)
        std::snprintf(buf, sizeof buf, m_format.c_str(), m_realValue);
    else
        std::snprintf(buf, sizeof buf, "%d", m_value);
    m_text = buf;
    m_modified = false;
}

} // namespace velmora::common
