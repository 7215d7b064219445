// The leading-number conversions of typed values (the Barlow factor) and device
// replies (the focuser's numbers).
#include "server/common/leading_number.h"

#include <gtest/gtest.h>

namespace velmora::server {
namespace {

TEST(LeadingNumber, StopsAtTheFirstCharacterThatCannotBelongToANumber)
{
    EXPECT_DOUBLE_EQ(leadingNumber("1.50x"), 1.5);
    EXPECT_DOUBLE_EQ(leadingNumber("0.33x"), 0.33);
    EXPECT_DOUBLE_EQ(leadingNumber("  +2.5x"), 2.5);
    EXPECT_DOUBLE_EQ(leadingNumber("-0.5"), -0.5);
    EXPECT_DOUBLE_EQ(leadingNumber(".5x"), 0.5);
    EXPECT_DOUBLE_EQ(leadingNumber("3."), 3.0);
    EXPECT_DOUBLE_EQ(leadingNumber("2e1x"), 20.0);
    EXPECT_DOUBLE_EQ(leadingNumber("1.5.5"), 1.5);
    for (const char* none : {"", "x1.5", "-", "+x", "inf", "nan", "-inf", "1e999"})
        EXPECT_EQ(leadingNumber(none), 0.0) << none;
}

TEST(LeadingNumber, IntegersStopAtTheFirstNonDigitAndRefuseWhatExceeds32Bits)
{
    EXPECT_EQ(leadingInteger("1234 steps"), 1234);
    EXPECT_EQ(leadingInteger(" \t-42\n\r"), -42);
    EXPECT_EQ(leadingInteger("+7.9"), 7);
    EXPECT_EQ(leadingInteger("2147483647"), 2147483647);
    EXPECT_EQ(leadingInteger("-2147483648"), -2147483647 - 1);
    for (const char* none : {"", "Ok", "-", "x12"})
        EXPECT_EQ(leadingInteger(none), 0) << none;
    for (const char* tooLarge : {"2147483648", "-2147483649", "99999999999999999999"})
        EXPECT_EQ(leadingInteger(tooLarge), std::nullopt) << tooLarge;
}

} // namespace
} // namespace velmora::server
