// Dispatch tables: name lookup, argument checks and conversion, error information
// and the interface text.
#include "platform/automation/dispatch_calls.h"
#include "platform/automation/dispatch_object.h"
#include "platform/automation/error_info.h"
#include "platform/automation/type_library_text.h"

#include <gtest/gtest.h>

#include <thread>

using namespace velmora::automation;

namespace {

constexpr IID IID_IProbe{0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55}};

// A small driver-like object: a short property, a method whose arguments are recorded.
class Probe : public DispatchObject<Probe> {
public:
    Probe() : DispatchObject(IID_IProbe) {}
    static const DispatchTable<Probe>& dispatchTable()
    {
        static const DispatchTable<Probe> table =
            DispatchTable<Probe>()
                .get("BinX", 1, VT_I2, &Probe::getBin, "property BinX")
                .put("BinX", 1, VT_I2, &Probe::putBin, "property BinX")
                .method("PulseGuide", 37, {{"Direction", {VT_I4, "GuideDirections"}}, {"Duration", VT_I4}},
                        VT_EMPTY, &Probe::pulse, "method PulseGuide")
                .method("StartExposure", 39, {{"Duration", VT_R8}, {"Light", VT_BOOL}}, VT_BOOL,
                        &Probe::start, "method StartExposure")
                .get("ImageArray", 20, VT_ARRAY | VT_I4, &Probe::fail, "property ImageArray")
                .get("Loose", 21, VT_I4, &Probe::loose);
        return table;
    }
    HRESULT getBin(DispatchArgs, VARIANT* r)
    {
        r->vt = VT_I2;
        r->iVal = bin;
        return S_OK;
    }
    HRESULT putBin(DispatchArgs a, VARIANT*)
    {
        bin = a[0].iVal;
        return S_OK;
    }
    HRESULT pulse(DispatchArgs a, VARIANT*)
    {
        direction = a[0].lVal;
        duration = a[1].lVal;
        return S_OK;
    }
    HRESULT start(DispatchArgs a, VARIANT* r)
    {
        seconds = a[0].dblVal;
        r->vt = VT_BOOL;
        r->boolVal = VARIANT_TRUE;
        return S_OK;
    }
    HRESULT fail(DispatchArgs, VARIANT*)
    {
        return reportError(IID_IProbe, "Velmora.Probe.1", "Image Not Ready");
    }
    HRESULT loose(DispatchArgs, VARIANT* r)
    {
        r->vt = VT_BSTR; // a string where a long is declared
        r->bstrVal = bstrFromUtf8("12");
        return failNext ? E_NOTIMPL : S_OK;
    }

    SHORT bin = 1;
    LONG direction = -1, duration = -1;
    double seconds = 0;
    bool failNext = false;
};

HRESULT invoke(IDispatch* object, DISPID id, WORD flags, std::vector<VARIANT> reversed,
               std::vector<DISPID> named, VARIANT* result, EXCEPINFO* exception = nullptr,
               UINT* argError = nullptr)
{
    DISPPARAMS params{reversed.data(), named.data(), static_cast<UINT>(reversed.size()),
                      static_cast<UINT>(named.size())};
    return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, exception, argError);
}

TEST(DispatchTableTest, NamesResolveIgnoringCaseAndGetAndPutShareTheirDispid)
{
    ComPtr<Probe> probe = makeObject<Probe>();
    DISPID id = 0;
    EXPECT_EQ(S_OK, getIdOfName(probe.get(), "binx", id));
    EXPECT_EQ(1, id);
    EXPECT_EQ(S_OK, getIdOfName(probe.get(), "STARTEXPOSURE", id));
    EXPECT_EQ(39, id);
    EXPECT_EQ(DISP_E_UNKNOWNNAME, getIdOfName(probe.get(), "BinZ", id));
    EXPECT_EQ(DISPID_UNKNOWN, id);
    std::u16string name = u"BinX";
    LPOLESTR names[] = {name.data()};
    EXPECT_EQ(DISP_E_UNKNOWNINTERFACE, probe->GetIDsOfNames(IID_IDispatch, names, 1, 0, &id));
    ComPtr<IDispatch> same;
    EXPECT_EQ(S_OK, probe.queryInterface(IID_IProbe, same));
    ComPtr<IUnknown> none;
    EXPECT_EQ(E_NOINTERFACE, probe.queryInterface(IID_IErrorInfo, none));
}

TEST(DispatchTableTest, ArgumentsAreCheckedConvertedAndPassedInDeclarationOrder)
{
    ComPtr<Probe> probe = makeObject<Probe>();
    // PulseGuide(Direction 2, Duration "150"): reversed in rgvarg, the string converted.
    Variant result;
    ASSERT_EQ(S_OK, invoke(probe.get(), 37, DISPATCH_METHOD,
                           {*Variant::string("150").get(), *Variant::i2(2).get()}, {}, result.get()));
    EXPECT_EQ(2, probe->direction);
    EXPECT_EQ(150, probe->duration);
    EXPECT_EQ(VT_EMPTY, result->vt);

    UINT argError = 0;
    EXPECT_EQ(DISP_E_TYPEMISMATCH, invoke(probe.get(), 37, DISPATCH_METHOD,
                                          {*Variant::string("long").get(), *Variant::i4(0).get()}, {},
                                          nullptr, nullptr, &argError));
    EXPECT_EQ(0u, argError);
    EXPECT_EQ(DISP_E_BADPARAMCOUNT,
              invoke(probe.get(), 37, DISPATCH_METHOD, {*Variant::i4(1).get()}, {}, nullptr));
    EXPECT_EQ(DISP_E_NONAMEDARGS, invoke(probe.get(), 37, DISPATCH_METHOD,
                                         {*Variant::i4(1).get(), *Variant::i4(1).get()}, {0}, nullptr));
    Variant missing;
    missing->vt = VT_ERROR;
    missing->scode = DISP_E_PARAMNOTFOUND;
    EXPECT_EQ(DISP_E_PARAMNOTOPTIONAL,
              invoke(probe.get(), 37, DISPATCH_METHOD, {*Variant::i4(1).get(), *missing.get()}, {}, nullptr));
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, invoke(probe.get(), 99, DISPATCH_METHOD, {}, {}, nullptr));
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, invoke(probe.get(), 39, DISPATCH_PROPERTYGET, {}, {}, nullptr));
    EXPECT_EQ(E_INVALIDARG,
              invoke(probe.get(), 1, DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT, {}, {}, nullptr));
    EXPECT_EQ(E_INVALIDARG,
              probe->Invoke(1, IID_NULL, 0, DISPATCH_PROPERTYGET, nullptr, nullptr, nullptr, nullptr));
}

TEST(DispatchTableTest, PutNeedsTheNamedValueAndOverflowIsReported)
{
    ComPtr<Probe> probe = makeObject<Probe>();
    EXPECT_EQ(DISP_E_PARAMNOTOPTIONAL,
              invoke(probe.get(), 1, DISPATCH_PROPERTYPUT, {*Variant::i4(2).get()}, {}, nullptr));
    EXPECT_EQ(S_OK, invoke(probe.get(), 1, DISPATCH_PROPERTYPUT, {*Variant::i4(2).get()},
                           {DISPID_PROPERTYPUT}, nullptr));
    EXPECT_EQ(2, probe->bin);
    UINT argError = 5;
    EXPECT_EQ(DISP_E_OVERFLOW, invoke(probe.get(), 1, DISPATCH_PROPERTYPUT, {*Variant::i4(70000).get()},
                                      {DISPID_PROPERTYPUT}, nullptr, nullptr, &argError));
    EXPECT_EQ(0u, argError);
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, invoke(probe.get(), 1, DISPATCH_PROPERTYPUTREF, {*Variant::i4(2).get()},
                                            {DISPID_PROPERTYPUT}, nullptr));
    // A script's "x = o.BinX" asks for method or get.
    Variant bin;
    EXPECT_EQ(S_OK, invoke(probe.get(), 1, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}, {}, bin.get()));
    EXPECT_EQ(2, bin->iVal);
    Variant started;
    EXPECT_EQ(S_OK, invoke(probe.get(), 39, DISPATCH_METHOD,
                           {*Variant::i2(-1).get(), *Variant::r8(0.5).get()}, {}, started.get()));
    EXPECT_DOUBLE_EQ(0.5, probe->seconds);
    EXPECT_EQ(VARIANT_TRUE, started->boolVal);
}

TEST(DispatchTableTest, FailuresBecomeExceptionsWithTheThreadsErrorInformation)
{
    ComPtr<Probe> probe = makeObject<Probe>();
    EXCEPINFO exception;
    Variant result;
    EXPECT_EQ(DISP_E_EXCEPTION,
              invoke(probe.get(), 20, DISPATCH_PROPERTYGET, {}, {}, result.get(), &exception));
    EXPECT_EQ("Velmora.Probe.1", bstrToUtf8(exception.bstrSource));
    EXPECT_EQ("Image Not Ready", bstrToUtf8(exception.bstrDescription));
    EXPECT_EQ(DISP_E_EXCEPTION, exception.scode);
    ClearExcepInfo(&exception);
    ComPtr<IErrorInfo> left;
    EXPECT_EQ(S_FALSE, GetErrorInfo(0, left.put())); // taken into the record

    // A failure without information still becomes an exception, its code in scode; a
    // stale description from before is not reused.
    reportError(IID_IProbe, "stale", "stale");
    probe->failNext = true;
    EXPECT_EQ(DISP_E_EXCEPTION,
              invoke(probe.get(), 21, DISPATCH_PROPERTYGET, {}, {}, result.get(), &exception));
    EXPECT_EQ(E_NOTIMPL, exception.scode);
    EXPECT_EQ(nullptr, exception.bstrDescription);
    ClearExcepInfo(&exception);

    // A result of another type is converted to the declared one.
    probe->failNext = false;
    ASSERT_EQ(S_OK, invoke(probe.get(), 21, DISPATCH_PROPERTYGET, {}, {}, result.get()));
    EXPECT_EQ(VT_I4, result->vt);
    EXPECT_EQ(12, result->lVal);
}

TEST(ErrorInfoTest, EachThreadHasItsOwn)
{
    reportError(IID_IProbe, "main", "on main");
    std::thread other([] {
        ComPtr<IErrorInfo> info;
        EXPECT_EQ(S_FALSE, GetErrorInfo(0, info.put()));
        reportError(IID_IProbe, "worker", "on worker");
    });
    other.join();
    ComPtr<IErrorInfo> info;
    ASSERT_EQ(S_OK, GetErrorInfo(0, info.put()));
    BSTR source = nullptr;
    GUID guid;
    info->GetSource(&source);
    info->GetGUID(&guid);
    EXPECT_EQ("main", bstrToUtf8(source));
    EXPECT_EQ(IID_IProbe, guid);
    SysFreeString(source);
}

TEST(TypeLibraryTextTest, TheInterfaceIsWrittenFromTheTable)
{
    const std::string text =
        interfaceDefinitionText({"IProbe", IID_IProbe, "IProbe Interface"}, Probe::dispatchTable());
    EXPECT_NE(std::string::npos, text.find("    uuid(11111111-2222-3333-4444-555555555555),\n"));
    EXPECT_NE(std::string::npos,
              text.find("helpstring(\"IProbe Interface\")\n]\ninterface IProbe : IDispatch {\n"));
    EXPECT_NE(
        std::string::npos,
        text.find(
            "    [id(1), propget, helpstring(\"property BinX\")] HRESULT BinX([out, retval] short* pVal);\n"
            "    [id(1), propput, helpstring(\"property BinX\")] HRESULT BinX([in] short newVal);\n"));
    EXPECT_NE(std::string::npos,
              text.find("HRESULT PulseGuide([in] GuideDirections Direction, [in] long Duration);"));
    EXPECT_NE(std::string::npos,
              text.find("HRESULT StartExposure([in] double Duration, [in] VARIANT_BOOL Light, "
                        "[out, retval] VARIANT_BOOL* pVal);"));
    EXPECT_NE(std::string::npos, text.find("HRESULT ImageArray([out, retval] SAFEARRAY(long)* pVal);"));
    EXPECT_NE(std::string::npos, text.find("[id(21), propget] HRESULT Loose("));
    EXPECT_LT(text.find("BinX"), text.find("PulseGuide")); // declaration order
}

} // namespace
