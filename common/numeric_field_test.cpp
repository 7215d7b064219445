#include "common/numeric_field.h"
#include "common/slider_model.h"

#include <gtest/gtest.h>

#include <limits>

using namespace velmora::common;

namespace {

NumericField decimalField(std::int32_t minimum = 0, std::int32_t maximum = 999999, double scale = 0.01)
{
    NumericField f;
    f.setFlags(kHasSpin | kRangeCheck | kDecimalDisplay);
    f.setRange(minimum, maximum);
    f.setScale(scale);
    f.setValue(0);
    return f;
}

bool typeAndCommit(NumericField& f, const std::string& text)
{
    f.setEditedText(text);
    return f.commit();
}

} // namespace

TEST(NumericField, DecimalCommitTruncatesAndRedisplays)
{
    NumericField f = decimalField();
    EXPECT_TRUE(typeAndCommit(f, "12.345"));
    EXPECT_EQ(f.value(), 1234);
    EXPECT_EQ(f.text(), "12.34");
    EXPECT_DOUBLE_EQ(f.realValue(), 12.34);
    EXPECT_FALSE(f.isModified());

    // Decimal input that is exact in decimal stays exact, despite binary rounding.
    typeAndCommit(f, "5.60");
    EXPECT_EQ(f.value(), 560);
    f.setScale(0.001);
    f.setRealValue(0.8);
    EXPECT_EQ(f.value(), 800);
    f.setScale(0.01);
    f.setRealValue(5.6);
    EXPECT_EQ(f.value(), 560);
    f.setRealValue(-0.019); // truncation toward zero, then clamped into the range
    EXPECT_EQ(f.value(), 0);
}

TEST(NumericField, CommitRulesForEmptyUnparsableAndUnchangedText)
{
    NumericField f = decimalField(-1000, 1000);
    f.setValue(250);
    EXPECT_FALSE(f.commit()) << "nothing typed, nothing to commit";
    EXPECT_FALSE(typeAndCommit(f, "")) << "empty text restores";
    EXPECT_EQ(f.text(), "2.50");
    EXPECT_EQ(f.value(), 250);

    EXPECT_TRUE(typeAndCommit(f, "abc")) << "unparsable gives 0";
    EXPECT_EQ(f.value(), 0);
    EXPECT_EQ(f.text(), "0.00");

    NumericField clamped = decimalField(100, 1000);
    clamped.setValue(500);
    EXPECT_TRUE(typeAndCommit(clamped, "x"));
    EXPECT_EQ(clamped.value(), 100) << "0 then range handling";

    EXPECT_FALSE(typeAndCommit(clamped, "1.00")) << "same value: no notification";
    clamped.setFlags(clamped.flags() | kNotifyEveryCommit);
    EXPECT_TRUE(typeAndCommit(clamped, "1.00")) << "flag 2 notifies every commit";

    NumericField integer;
    integer.setFlags(kHasSpin | kRangeCheck | kAllowMinus);
    integer.setRange(-100, 100);
    integer.setScale(1);
    EXPECT_TRUE(typeAndCommit(integer, "-42abc"));
    EXPECT_EQ(integer.value(), -42);
    EXPECT_EQ(integer.text(), "-42");
    typeAndCommit(integer, "99999999999999999999");
    EXPECT_EQ(integer.value(), 100) << "overflow saturates, then clamps";
    typeAndCommit(integer, "7.9");
    EXPECT_EQ(integer.value(), 7) << "integer fields take the integer prefix";
}

TEST(NumericField, RangeClampsOrWraps)
{
    NumericField angle;
    angle.setFlags(kHasSpin | kRangeCheck | kWrapRange);
    angle.setRange(0, 360);
    angle.setScale(1);
    angle.setValue(359);
    EXPECT_TRUE(angle.spin(-1)); // up arrow
    EXPECT_EQ(angle.value(), 0);
    EXPECT_TRUE(angle.spin(+1)); // down arrow from 0 wraps to the top
    EXPECT_EQ(angle.value(), 359);
    angle.setValue(-725);
    EXPECT_EQ(angle.value(), 355);
    angle.setValue(360);
    EXPECT_EQ(angle.value(), 0) << "the range is [minimum, maximum)";

    NumericField degenerate;
    degenerate.setFlags(kRangeCheck | kWrapRange);
    degenerate.setRange(5, 5);
    degenerate.setValue(17);
    EXPECT_EQ(degenerate.value(), 5);

    // "Pixel Width": 1…999999, clamped; a stored 0 is raised to 1.
    NumericField pixel = decimalField(1, 999999);
    pixel.setValue(0);
    EXPECT_EQ(pixel.value(), 1);
    EXPECT_EQ(pixel.text(), "0.01");
    pixel.setValue(std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(pixel.value(), 999999);

    NumericField unchecked;
    unchecked.setFlags(kHasSpin);
    unchecked.setRange(0, 10);
    unchecked.setValue(50);
    EXPECT_EQ(unchecked.value(), 50) << "without flag 8 no range handling";
}

TEST(NumericField, SpinCommitsTypedTextFirstAndSaturates)
{
    NumericField f = decimalField(0, 9999999);
    f.setStep(10);
    f.setEditedText("1.5");
    EXPECT_TRUE(f.spin(-1));
    EXPECT_EQ(f.value(), 160);
    EXPECT_EQ(f.text(), "1.60");
    f.setValue(5);
    EXPECT_TRUE(f.spin(+1));
    EXPECT_EQ(f.value(), 0);
    EXPECT_FALSE(f.spin(+1)) << "clamped at the bottom: no change, no notification";

    NumericField wide;
    wide.setFlags(kAllowMinus);
    wide.setStep(std::numeric_limits<std::int32_t>::max());
    wide.setValue(std::numeric_limits<std::int32_t>::max());
    wide.spin(-1);
    EXPECT_EQ(wide.value(), std::numeric_limits<std::int32_t>::max());
}

TEST(NumericField, KeyFilteringFollowsFlagsAndText)
{
    NumericField f = decimalField();
    f.setEditedText("");
    for (char c : std::string("0123456789"))
        EXPECT_TRUE(f.acceptsCharacter(c));
    EXPECT_TRUE(f.acceptsCharacter('.'));
    EXPECT_FALSE(f.acceptsCharacter('-')) << "minus needs flag 4";
    for (char c : std::string("aZ+e ,/"))
        EXPECT_FALSE(f.acceptsCharacter(c)) << c;
    f.setEditedText("1.2");
    EXPECT_FALSE(f.acceptsCharacter('.')) << "second point";

    f.setFlags(f.flags() | kAllowMinus);
    f.setEditedText("12");
    EXPECT_TRUE(f.acceptsCharacter('-'));
    f.setEditedText("-12");
    EXPECT_FALSE(f.acceptsCharacter('-')) << "second minus";

    NumericField integer;
    integer.setFlags(kRangeCheck);
    integer.setEditedText("12");
    EXPECT_FALSE(integer.acceptsCharacter('.')) << "point needs flag 32";
}

TEST(NumericField, FormatMustBeOneFloatConversion)
{
    NumericField f = decimalField();
    f.setValue(12345);
    EXPECT_TRUE(f.setFormat("%.1f"));
    EXPECT_EQ(f.text(), "123.5") << "printf rounds the shown text; the value stays";
    EXPECT_EQ(f.value(), 12345);
    EXPECT_FALSE(f.setFormat("%s"));
    EXPECT_FALSE(f.setFormat("%.2f %.2f"));
    EXPECT_FALSE(f.setFormat("%d"));
    EXPECT_TRUE(f.setFormat("%6.3f%%"));
    EXPECT_EQ(f.format(), "%6.3f%%");
}

TEST(SliderModel, ClampsAndDetectsUserMoves)
{
    SliderModel s;
    s.setRange(10, 20);
    s.setPosition(50);
    EXPECT_EQ(s.position(), 20);
    EXPECT_FALSE(s.takeShownPosition(20));
    EXPECT_TRUE(s.takeShownPosition(12));
    EXPECT_EQ(s.position(), 12);
    s.setRange(0, 5);
    EXPECT_EQ(s.position(), 5);
}
