// Status codes, GUID text and automation strings.
#include "platform/automation/bstr.h"
#include "platform/automation/guid.h"
#include "platform/automation/hresult.h"

#include <gtest/gtest.h>

using namespace velmora::automation;

namespace {

TEST(HresultTest, CodesHaveTheirWindowsValuesAndTexts)
{
    EXPECT_EQ(static_cast<HRESULT>(0x80020009u), DISP_E_EXCEPTION);
    EXPECT_EQ(static_cast<HRESULT>(0x80040154u), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(static_cast<HRESULT>(0x80010108u), RPC_E_DISCONNECTED);
    EXPECT_EQ(static_cast<HRESULT>(0x800705B4u), HRESULT_FROM_WIN32(1460));
    EXPECT_EQ(S_OK, HRESULT_FROM_WIN32(0));
    EXPECT_TRUE(SUCCEEDED(S_FALSE));
    EXPECT_TRUE(FAILED(E_FAIL));
    EXPECT_EQ("0x80020009", formatHresult(DISP_E_EXCEPTION));
    EXPECT_EQ("Unknown name.", hresultMessage(DISP_E_UNKNOWNNAME));
    EXPECT_EQ("", hresultMessage(static_cast<HRESULT>(0x8123ABCDu)));
}

TEST(GuidTest, TextRoundTripsAndMalformedTextIsRefused)
{
    const auto guid = parseGuid("{d4c15d51-4514-45D0-be84-AC2DC1CA2955}");
    ASSERT_TRUE(guid);
    EXPECT_EQ(0xD4C15D51u, guid->Data1);
    EXPECT_EQ(0x45D0u, guid->Data3);
    EXPECT_EQ(0xBEu, guid->Data4[0]);
    EXPECT_EQ(0x55u, guid->Data4[7]);
    EXPECT_EQ("{D4C15D51-4514-45D0-BE84-AC2DC1CA2955}", formatGuid(*guid));
    for (const char* bad :
         {"", "D4C15D51-4514-45D0-BE84-AC2DC1CA2955", "{D4C15D51-4514-45D0-BE84-AC2DC1CA295}",
          "{D4C15D51-4514-45D0-BE84-AC2DC1CA29550}", "{D4C15D51-4514-45D0+BE84-AC2DC1CA2955}",
          "{D4C15D5G-4514-45D0-BE84-AC2DC1CA2955}", "(D4C15D51-4514-45D0-BE84-AC2DC1CA2955)"})
        EXPECT_FALSE(parseGuid(bad)) << bad;

    CLSID clsid;
    EXPECT_EQ(S_OK, CLSIDFromString(u"{00020400-0000-0000-C000-000000000046}", &clsid));
    EXPECT_EQ(IID_IDispatch, clsid);
    EXPECT_EQ(CO_E_CLASSSTRING, CLSIDFromString(u"IDispatch", &clsid));
    OLECHAR text[39];
    EXPECT_EQ(39, StringFromGUID2(IID_IUnknown, text, 39));
    EXPECT_EQ(u"{00000000-0000-0000-C000-000000000046}", std::u16string(text));
    EXPECT_EQ(0, StringFromGUID2(IID_IUnknown, text, 38));
}

TEST(BstrTest, LengthPrefixKeepsEmbeddedNulsAndNullIsEmpty)
{
    const OLECHAR data[] = {u'a', 0, u'b'};
    UniqueBstr text(SysAllocStringLen(data, 3));
    EXPECT_EQ(3u, SysStringLen(text.get()));
    EXPECT_EQ(6u, SysStringByteLen(text.get()));
    EXPECT_EQ(0, text.get()[3]);
    EXPECT_EQ(0u, SysStringLen(nullptr));
    EXPECT_EQ("", bstrToUtf8(nullptr));
    EXPECT_EQ(nullptr, SysAllocString(nullptr));
    EXPECT_EQ(nullptr, SysAllocStringLen(nullptr, 0x7FFFFFFF));
    UniqueBstr zeroed(SysAllocStringLen(nullptr, 2));
    EXPECT_EQ(std::u16string(2, u'\0'), std::u16string(bstrView(zeroed.get())));
}

TEST(BstrTest, Utf8AndUtf16ConvertBothWaysAndRepairBadInput)
{
    const std::string text = "Temp \xC2\xB0"
                             "C \xE2\x82\xAC \xF0\x9F\x94\xAD"; // degree, euro, telescope
    const std::u16string wide = utf8ToUtf16(text);
    EXPECT_EQ(u"Temp \u00B0C \u20AC \U0001F52D", wide);
    EXPECT_EQ(text, utf16ToUtf8(wide));
    // Truncated, overlong and surrogate encodings become U+FFFD; lone surrogates '?'.
    EXPECT_EQ(u"a\uFFFD", utf8ToUtf16("a\xE2\x82"));
    EXPECT_EQ(u"\uFFFD", utf8ToUtf16("\xC0\xAF"));
    EXPECT_EQ(u"\uFFFD", utf8ToUtf16("\xED\xA0\x80"));
    EXPECT_EQ(u"\uFFFDx", utf8ToUtf16("\xFFx"));
    EXPECT_EQ("?x", utf16ToUtf8(std::u16string{char16_t(0xD800), u'x'}));
    UniqueBstr b(bstrFromUtf8(text));
    EXPECT_EQ(text, bstrToUtf8(b.get()));
}

TEST(BstrTest, CodePageConversionsFollowTheWindowsSizeProtocol)
{
    OLECHAR wide[256];
    EXPECT_EQ(21, MultiByteToWideChar(CP_ACP, 0, "VelmoraServer.Camera", -1, nullptr, 0));
    EXPECT_EQ(21, MultiByteToWideChar(CP_ACP, 0, "VelmoraServer.Camera", -1, wide, 256));
    EXPECT_EQ(u"VelmoraServer.Camera", std::u16string(wide));
    EXPECT_EQ(0, MultiByteToWideChar(CP_ACP, 0, "VelmoraServer.Camera", -1, wide, 5));
    EXPECT_EQ(3, MultiByteToWideChar(CP_UTF8, 0, "abcdef", 3, wide, 256));
    char narrow[16];
    EXPECT_EQ(4, WideCharToMultiByte(CP_ACP, 0, u"\u00B0C", -1, narrow, 16, nullptr, nullptr));
    EXPECT_STREQ("\xC2\xB0"
                 "C",
                 narrow);
    EXPECT_EQ(0, WideCharToMultiByte(CP_ACP, 0, u"\u00B0C", -1, narrow, 3, nullptr, nullptr));
    EXPECT_EQ(0, MultiByteToWideChar(CP_ACP, 0, nullptr, -1, wide, 256));
}

} // namespace
