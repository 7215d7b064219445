// velmora-call's command line, literals and printed values.
#include "tools/call/call_script.h"
#include "tools/call/value_format.h"

#include "platform/automation/hresult.h"
#include "platform/automation/safe_array.h"
#include "platform/automation/variant_text.h"

#include <gtest/gtest.h>

#include <clocale>

using namespace velmora::tools;
using velmora::automation::Variant;

namespace {

TEST(CallScriptTest, LiteralsTakeTheirTypedOrGuessedType)
{
    struct Case {
        const char* text;
        VARTYPE vt;
        std::string printed;
    };
    const Case cases[] = {
        {"i2:-1", VT_I2, "-1"},
        {"i4:5", VT_I4, "5"},
        {"i8:7", VT_I8, "7"},
        {"r8:1.5", VT_R8, "1.5"},
        {"bool:true", VT_BOOL, "true"},
        {"str:text", VT_BSTR, "text"},
        {"str:", VT_BSTR, ""},
        {"42", VT_I4, "42"},
        {"-3", VT_I4, "-3"},
        {"0.25", VT_R8, "0.25"},
        {"1e3", VT_R8, "1000"},
        {"false", VT_BOOL, "false"},
        {"Camera", VT_BSTR, "Camera"},
        {"str:12", VT_BSTR, "12"},
        {"x:1", VT_BSTR, "x:1"},
        {"i8:-9223372036854775808", VT_I8, "-9223372036854775808"},
    };
    for (const Case& c : cases) {
        const auto value = parseLiteral(c.text);
        ASSERT_TRUE(value) << c.text;
        EXPECT_EQ(c.vt, (*value)->vt) << c.text;
        EXPECT_EQ(c.printed, formatValue(*value->get())) << c.text;
    }
    for (const char* bad : {"i2:70000", "i4:abc", "i4:", "r8:nan", "bool:maybe", "4294967296", "i8:1.5"})
        EXPECT_FALSE(parseLiteral(bad)) << bad;
}

// The description of a value that logs and messages show is the literal that gives it
// back, type and all.
TEST(CallScriptTest, DescribedValuesReadBackAsTheSameLiteral)
{
    for (const char* text :
         {"i2:-1", "i4:5", "i8:-7", "r8:0.1", "r8:1e+20", "bool:true", "str:text", "str:"}) {
        const auto value = parseLiteral(text);
        ASSERT_TRUE(value) << text;
        EXPECT_EQ(text, velmora::automation::describeVariant(*value->get()));
    }
    EXPECT_EQ("empty", velmora::automation::describeVariant(*Variant().get()));
    Variant date;
    date->vt = VT_DATE;
    EXPECT_EQ("vt7", velmora::automation::describeVariant(*date.get())) << "no literal for a date";
}

TEST(CallScriptTest, StepsParseInOrderAndCallArgumentsEndAtTheNextStep)
{
    const ParseResult parsed = parseCommandLine({"--dump",
                                                 "out.bin",
                                                 "VelmoraServer.Camera",
                                                 "put",
                                                 "Connected",
                                                 "i2:-1",
                                                 "call",
                                                 "StartExposure",
                                                 "0.5",
                                                 "bool:true",
                                                 "wait-true",
                                                 "ImageReady",
                                                 "5000",
                                                 "call",
                                                 "Echo",
                                                 "str:get",
                                                 "get",
                                                 "ImageArray",
                                                 "sleep",
                                                 "10",
                                                 "release"});
    ASSERT_TRUE(parsed.script) << parsed.error;
    const CallScript& s = *parsed.script;
    EXPECT_EQ("out.bin", s.dumpFile);
    EXPECT_EQ("VelmoraServer.Camera", s.progId);
    ASSERT_EQ(7u, s.steps.size());
    EXPECT_EQ(StepKind::Put, s.steps[0].kind);
    EXPECT_EQ(VT_I2, s.steps[0].values[0]->vt);
    EXPECT_EQ(StepKind::Call, s.steps[1].kind);
    ASSERT_EQ(2u, s.steps[1].values.size());
    EXPECT_EQ(VT_R8, s.steps[1].values[0]->vt);
    EXPECT_EQ(StepKind::WaitTrue, s.steps[2].kind);
    EXPECT_EQ(5000, s.steps[2].milliseconds);
    EXPECT_EQ("get", formatValue(*s.steps[3].values[0].get()));
    EXPECT_EQ(StepKind::Get, s.steps[4].kind);
    EXPECT_EQ(10, s.steps[5].milliseconds);
    EXPECT_EQ(StepKind::Release, s.steps[6].kind);
    EXPECT_TRUE(parseCommandLine({"--help"}).help);
}

TEST(CallScriptTest, UsageErrorsAreFoundBeforeAnythingRuns)
{
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"--dump"},
        {"--verbose", "A.B"},
        {"A.B", "fetch", "X"},
        {"A.B", "get"},
        {"A.B", "put", "X"},
        {"A.B", "put", "X", "i2:99999"},
        {"A.B", "wait-true", "Ready"},
        {"A.B", "wait-true", "Ready", "soon"},
        {"A.B", "sleep", "-5"},
        {"A.B", "call", "Move", "i4:x"},
    };
    for (const auto& arguments : bad) {
        const ParseResult parsed = parseCommandLine(arguments);
        EXPECT_FALSE(parsed.script);
        EXPECT_FALSE(parsed.help);
        EXPECT_FALSE(parsed.error.empty());
    }
}

TEST(CallScriptTest, ValuesPrintInTheCLocaleAndArraysWithEveryExtent)
{
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8"); // harmless if not installed
    EXPECT_EQ("0.1", formatValue(*Variant::r8(0.1).get()));
    EXPECT_EQ("1e+20", formatValue(*Variant::r8(1e20).get()));
    std::setlocale(LC_NUMERIC, "C");
    EXPECT_EQ("empty", formatValue(*Variant().get()));
    const SAFEARRAYBOUND bounds[] = {{2, 0}, {3, 0}, {1, 0}};
    Variant image = Variant::array(SafeArrayCreate(VT_I4, 3, bounds));
    auto* v = static_cast<LONG*>(image->parray->pvData);
    for (int i = 0; i < 6; ++i)
        v[i] = i * 10 - 20;
    EXPECT_EQ("[2x3x1 i4 min=-20 max=30 sum=30]", formatValue(*image.get()));
    Variant reals = Variant::array(SafeArrayCreateVector(VT_R8, 0, 2));
    static_cast<double*>(reals->parray->pvData)[1] = 1.5;
    EXPECT_EQ("[2 r8 min=0 max=1.5 sum=1.5]", formatValue(*reals.get()));
    EXPECT_EQ("[0 variant]", formatValue(*Variant::array(SafeArrayCreateVector(VT_VARIANT, 0, 0)).get()));
    Variant error;
    error->vt = VT_ERROR;
    error->scode = DISP_E_PARAMNOTFOUND;
    EXPECT_EQ("error 0x80020004", formatValue(*error.get()));
}

} // namespace
