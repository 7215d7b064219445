// SAFEARRAY shapes, bounds, element access and ownership.
#include "platform/automation/safe_array.h"

#include "platform/automation/hresult.h"
#include "platform/automation/variant.h"

#include <gtest/gtest.h>

using namespace velmora::automation;

namespace {

TEST(SafeArrayTest, DimensionsAndLowerBoundsAddressStorageColumnMajor)
{
    const SAFEARRAYBOUND bounds[] = {{4, 1}, {3, -1}, {2, 10}};
    SAFEARRAY* psa = SafeArrayCreate(VT_I4, 3, bounds);
    ASSERT_NE(nullptr, psa);
    EXPECT_EQ(3u, SafeArrayGetDim(psa));
    EXPECT_EQ(4u, SafeArrayGetElemsize(psa));
    LONG lower = 0, upper = 0;
    EXPECT_EQ(S_OK, SafeArrayGetLBound(psa, 2, &lower));
    EXPECT_EQ(S_OK, SafeArrayGetUBound(psa, 2, &upper));
    EXPECT_EQ(-1, lower);
    EXPECT_EQ(1, upper);
    EXPECT_EQ(DISP_E_BADINDEX, SafeArrayGetUBound(psa, 4, &upper));
    EXPECT_EQ(DISP_E_BADINDEX, SafeArrayGetUBound(psa, 0, &upper));
    // Element (x=2, y=0, plane=11): x fastest, then y, then plane.
    const LONG at[] = {2, 0, 11};
    const LONG value = 99;
    ASSERT_EQ(S_OK, SafeArrayPutElement(psa, at, &value));
    EXPECT_EQ(99, static_cast<LONG*>(psa->pvData)[(1 * 3 + 1) * 4 + 1]);
    LONG read = 0;
    EXPECT_EQ(S_OK, SafeArrayGetElement(psa, at, &read));
    EXPECT_EQ(99, read);
    const LONG outside[] = {5, 0, 11};
    EXPECT_EQ(DISP_E_BADINDEX, SafeArrayGetElement(psa, outside, &read));
    const LONG below[] = {1, -2, 10};
    EXPECT_EQ(DISP_E_BADINDEX, SafeArrayPutElement(psa, below, &value));
    EXPECT_EQ(S_OK, SafeArrayDestroy(psa));
}

TEST(SafeArrayTest, UnsupportedShapesAreRefused)
{
    const SAFEARRAYBOUND bounds[4] = {{2, 0}, {2, 0}, {2, 0}, {2, 0}};
    EXPECT_EQ(nullptr, SafeArrayCreate(VT_I4, 4, bounds));
    EXPECT_EQ(nullptr, SafeArrayCreate(VT_I4, 0, bounds));
    EXPECT_EQ(nullptr, SafeArrayCreate(VT_DISPATCH, 1, bounds));
    const SAFEARRAYBOUND huge[] = {{0x10000, 0}, {0x10000, 0}};
    EXPECT_EQ(nullptr, SafeArrayCreate(VT_I4, 2, huge)); // 16 GiB
    const SAFEARRAYBOUND overflowing[] = {{10, 0x7FFFFFFF}};
    EXPECT_EQ(nullptr, SafeArrayCreate(VT_I4, 1, overflowing));
    SAFEARRAY* empty = SafeArrayCreateVector(VT_R8, 0, 0);
    ASSERT_NE(nullptr, empty);
    EXPECT_EQ(S_OK, SafeArrayDestroy(empty));
}

TEST(SafeArrayTest, LockedArraysStayAndStringsAndVariantsAreOwned)
{
    SAFEARRAY* names = SafeArrayCreateVector(VT_BSTR, 0, 2);
    const LONG first = 0;
    Variant star = Variant::string("Vega");
    ASSERT_EQ(S_OK, SafeArrayPutElement(names, &first, star->bstrVal));
    void* data = nullptr;
    ASSERT_EQ(S_OK, SafeArrayAccessData(names, &data));
    EXPECT_EQ(DISP_E_ARRAYISLOCKED, SafeArrayDestroy(names));
    EXPECT_EQ(S_OK, SafeArrayUnaccessData(names));
    EXPECT_EQ(E_UNEXPECTED, SafeArrayUnaccessData(names));

    SAFEARRAY* copy = nullptr;
    ASSERT_EQ(S_OK, SafeArrayCopy(names, &copy));
    EXPECT_EQ(S_OK, SafeArrayDestroy(names));
    BSTR name = nullptr;
    ASSERT_EQ(S_OK, SafeArrayGetElement(copy, &first, &name));
    EXPECT_EQ("Vega", bstrToUtf8(name));
    SysFreeString(name);
    EXPECT_EQ(S_OK, SafeArrayDestroy(copy));

    SAFEARRAY* mixed = SafeArrayCreateVector(VT_VARIANT, 1, 2);
    const LONG second = 2;
    ASSERT_EQ(S_OK, SafeArrayPutElement(mixed, &second, Variant::string("Deneb").get()));
    Variant out;
    ASSERT_EQ(S_OK, SafeArrayGetElement(mixed, &second, out.get()));
    EXPECT_EQ("Deneb", bstrToUtf8(out->bstrVal));
    VARTYPE vt = 0;
    EXPECT_EQ(S_OK, SafeArrayGetVartype(mixed, &vt));
    EXPECT_EQ(VT_VARIANT, vt);
    EXPECT_EQ(S_OK, SafeArrayDestroy(mixed));
}

TEST(SafeArrayTest, ArraysOverForeignMemoryReleaseTheirOwner)
{
    static LONG storage[6] = {1, 2, 3, 4, 5, 6};
    bool released = false;
    const SAFEARRAYBOUND bounds[] = {{3, 0}, {2, 0}};
    SAFEARRAY* psa = createSafeArrayOver(VT_I4, 2, bounds, storage,
                                         std::shared_ptr<void>(storage, [&](void*) { released = true; }));
    ASSERT_NE(nullptr, psa);
    const LONG at[] = {2, 1};
    LONG value = 0;
    SafeArrayGetElement(psa, at, &value);
    EXPECT_EQ(6, value);
    EXPECT_FALSE(released);
    SafeArrayDestroy(psa);
    EXPECT_TRUE(released);
    EXPECT_EQ(nullptr, createSafeArrayOver(VT_BSTR, 2, bounds, storage, std::make_shared<int>(0)));
}

} // namespace
