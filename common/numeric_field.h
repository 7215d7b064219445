#pragma once
// The numeric edit's behaviour without a toolkit: an integer value with a display
// scale, a range that clamps or wraps, a spin step, key filtering, and the commit of
// typed text. The Qt views (ui/my_edit.h) only forward keys, text and clicks here.

#include <cstdint>
#include <string>

namespace velmora::common {

// Notification code of every committed change of a numeric field or slider.
constexpr int kNotifyValueChanged = 0x401;

enum NumericFlags : std::uint32_t {
    kHasSpin = 1,
    kNotifyEveryCommit = 2,
    kAllowMinus = 4,
    kRangeCheck = 8,
    kWrapRange = 16, // only together with kRangeCheck
    kDecimalDisplay = 32,
};

// Real value ÷ scale truncated toward zero. A quotient that lies within rounding
// error of a whole number is taken as that number, so 5.60 typed with scale 0.01
// stores 560, not 559 (5.6 / 0.01 is 559.999… in binary floating point). The result
// saturates at the int32 limits; NaN gives 0.
std::int32_t truncateToUnits(double real, double scale);

class NumericField {
public:
    NumericField();

    void setFlags(std::uint32_t flags) { m_flags = flags; }
    std::uint32_t flags() const { return m_flags; }
    // Only a single floating-point conversion (%f, %e, %g with flags, width and
    // precision) is accepted; anything else keeps the current format.
    bool setFormat(const std::string& format);
    const std::string& format() const { return m_format; }
    void setRange(std::int32_t minimum, std::int32_t maximum);
    std::int32_t minimum() const { return m_minimum; }
    std::int32_t maximum() const { return m_maximum; }
    void setStep(std::int32_t step) { m_step = step; }
    std::int32_t step() const { return m_step; }
    void setScale(double scale);
    double scale() const { return m_scale; }

    std::int32_t value() const { return m_value; }
    double realValue() const { return m_realValue; }

    // Set from integer / from real: range handling and redisplay, no notification.
    void setValue(std::int32_t value);
    void setRealValue(double real);

    // The text shown, and whether the user changed it since the last display.
    const std::string& text() const { return m_text; }
    bool isModified() const { return m_modified; }
    // The user edited the text (typing, paste, delete).
    void setEditedText(std::string text);

    // Whether a typed character may enter the text as it now stands.
    bool acceptsCharacter(char c) const;

    // Enter or focus loss. Returns true when the change notification is due.
    bool commit();
    // A spin click with the platform's proposed change (−1 for the up arrow).
    // Returns true when the change notification is due.
    bool spin(int delta);

private:
    void applyRange();
    void display();
    std::int32_t parseText() const;

    std::uint32_t m_flags = kHasSpin | kRangeCheck;
    std::string m_format = "%.2f";
    std::int32_t m_minimum = 0;
    std::int32_t m_maximum = 100;
    std::int32_t m_step = 1;
    std::int32_t m_value = 0;
    double m_scale = 0.01;
    double m_realValue = 0.0;
    std::string m_text;
    bool m_modified = false;
};

} // namespace velmora::common
