// VARIANT copy, clear and change-type rules.
#include "platform/automation/dispatch_object.h"
#include "platform/automation/safe_array.h"
#include "platform/automation/variant.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>

using namespace velmora::automation;

namespace {

// An object whose default property is 42, counting its references.
class Valued : public DispatchObject<Valued> {
public:
    static const DispatchTable<Valued>& dispatchTable()
    {
        static const DispatchTable<Valued> table =
            DispatchTable<Valued>().get("Value", DISPID_VALUE, VT_I4, [](Valued&, DispatchArgs, VARIANT* r) {
                r->vt = VT_I4;
                r->lVal = 42;
                return S_OK;
            });
        return table;
    }
    ULONG references() const { return refs; }
    ULONG AddRef() override
    {
        ++refs;
        return DispatchObject::AddRef();
    }
    ULONG Release() override
    {
        --refs;
        return DispatchObject::Release();
    }
    ULONG refs = 0;
};

Variant convert(const Variant& from, VARTYPE vt, HRESULT expected = S_OK, USHORT flags = 0)
{
    Variant to;
    EXPECT_EQ(expected, VariantChangeType(to.get(), from.get(), flags, vt)) << from->vt << " -> " << vt;
    return to;
}

TEST(VariantTest, CopyDuplicatesStringsArraysAndReferences)
{
    Variant text = Variant::string("guide star");
    Variant copy;
    ASSERT_EQ(S_OK, VariantCopy(copy.get(), text.get()));
    EXPECT_NE(text->bstrVal, copy->bstrVal);
    EXPECT_EQ("guide star", bstrToUtf8(copy->bstrVal));

    Variant array = Variant::array(SafeArrayCreateVector(VT_I4, 0, 3));
    static_cast<LONG*>(array->parray->pvData)[2] = 7;
    ASSERT_EQ(S_OK, VariantCopy(copy.get(), array.get())); // the string copy is freed first
    EXPECT_NE(array->parray, copy->parray);
    EXPECT_EQ(7, static_cast<LONG*>(copy->parray->pvData)[2]);

    ComPtr<Valued> object = makeObject<Valued>();
    {
        Variant holder;
        holder->vt = VT_DISPATCH;
        holder->pdispVal = object.get();
        object->AddRef();
        Variant second;
        ASSERT_EQ(S_OK, VariantCopy(second.get(), holder.get()));
        EXPECT_EQ(3u, object->references());
    }
    EXPECT_EQ(1u, object->references());

    VARIANT bad;
    bad.vt = 0x0FFF;
    EXPECT_EQ(DISP_E_BADVARTYPE, VariantClear(&bad));
    EXPECT_EQ(DISP_E_BADVARTYPE, VariantCopy(copy.get(), &bad));
}

TEST(VariantTest, ByReferenceValuesAreCopiedAsReferencesOrDereferenced)
{
    LONG target = 12;
    Variant reference;
    reference->vt = VT_BYREF | VT_I4;
    reference->plVal = &target;
    Variant shallow, deep;
    ASSERT_EQ(S_OK, VariantCopy(shallow.get(), reference.get()));
    EXPECT_EQ(&target, shallow->plVal);
    ASSERT_EQ(S_OK, VariantCopyInd(deep.get(), reference.get()));
    EXPECT_EQ(VT_I4, deep->vt);
    EXPECT_EQ(12, deep->lVal);
    Variant inner = Variant::string("inside");
    Variant viaVariant;
    viaVariant->vt = VT_BYREF | VT_VARIANT;
    viaVariant->pvarVal = inner.get();
    EXPECT_EQ("inside", bstrToUtf8(convert(viaVariant, VT_BSTR)->bstrVal));
}

TEST(VariantTest, NumbersConvertWithRoundingHalfToEvenAndRangeChecks)
{
    EXPECT_EQ(2, convert(Variant::r8(2.5), VT_I4)->lVal);
    EXPECT_EQ(4, convert(Variant::r8(3.5), VT_I4)->lVal);
    EXPECT_EQ(-2, convert(Variant::r8(-2.5), VT_I2)->iVal);
    EXPECT_EQ(-1, convert(Variant::boolean(true), VT_I4)->lVal);
    EXPECT_EQ(VARIANT_TRUE, convert(Variant::i4(5), VT_BOOL)->boolVal);
    EXPECT_EQ(VARIANT_FALSE, convert(Variant::r8(0.0), VT_BOOL)->boolVal);
    convert(Variant::i4(40000), VT_I2, DISP_E_OVERFLOW);
    convert(Variant::r8(3e9), VT_I4, DISP_E_OVERFLOW);
    convert(Variant::r8(1e300), VT_R4, DISP_E_OVERFLOW);
    convert(Variant::r8(std::nan("")), VT_I4, DISP_E_OVERFLOW);
    convert(Variant::i4(-1), VT_UI1, DISP_E_OVERFLOW);
    EXPECT_EQ(1LL << 40, convert(Variant::r8(1099511627776.0), VT_I8)->llVal);
    EXPECT_EQ(0, convert(Variant(), VT_I4)->lVal);
    // The source is left as it was; converting in place works too.
    Variant value = Variant::r8(7.25);
    ASSERT_EQ(S_OK, VariantChangeType(value.get(), value.get(), 0, VT_I4));
    EXPECT_EQ(VT_I4, value->vt);
    EXPECT_EQ(7, value->lVal);
}

TEST(VariantTest, TextParsesAndPrintsInTheCLocaleWhateverTheProcessLocale)
{
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8"); // harmless if not installed
    EXPECT_DOUBLE_EQ(1.5, convert(Variant::string(" 1.5 "), VT_R8)->dblVal);
    EXPECT_EQ(-12, convert(Variant::string("-12"), VT_I2)->iVal);
    EXPECT_EQ(2, convert(Variant::string("1.5"), VT_I4)->lVal);
    EXPECT_EQ("0.1", bstrToUtf8(convert(Variant::r8(0.1), VT_BSTR)->bstrVal));
    EXPECT_EQ("1E-05", bstrToUtf8(convert(Variant::r8(0.00001), VT_BSTR)->bstrVal));
    EXPECT_EQ("1234567", bstrToUtf8(convert(Variant::r8(1234567.0), VT_BSTR)->bstrVal));
    EXPECT_EQ("-1", bstrToUtf8(convert(Variant::boolean(true), VT_BSTR)->bstrVal));
    EXPECT_EQ("True", bstrToUtf8(convert(Variant::boolean(true), VT_BSTR, S_OK, VARIANT_ALPHABOOL)->bstrVal));
    EXPECT_EQ(VARIANT_TRUE, convert(Variant::string("TRUE"), VT_BOOL)->boolVal);
    EXPECT_EQ(VARIANT_FALSE, convert(Variant::string("0"), VT_BOOL)->boolVal);
    convert(Variant::string("12abc"), VT_I4, DISP_E_TYPEMISMATCH);
    convert(Variant::string(""), VT_R8, DISP_E_TYPEMISMATCH);
    convert(Variant::string("inf"), VT_R8, DISP_E_TYPEMISMATCH);
    convert(Variant::string("true"), VT_I4, DISP_E_TYPEMISMATCH);
    convert(Variant::string("99999999999"), VT_I4, DISP_E_OVERFLOW);
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(VariantTest, DatesConvertToAndFromText)
{
    Variant date;
    date->vt = VT_DATE;
    date->date = 45000.75; // 2023-03-15 18:00
    EXPECT_EQ("2023-03-15 18:00:00", bstrToUtf8(convert(date, VT_BSTR)->bstrVal));
    date->date = -1.25;
    EXPECT_EQ("1899-12-29 06:00:00", bstrToUtf8(convert(date, VT_BSTR)->bstrVal));
    EXPECT_DOUBLE_EQ(45000.75, convert(Variant::string("2023-03-15 18:00"), VT_DATE)->date);
    EXPECT_DOUBLE_EQ(-1.25, convert(Variant::string("1899-12-29T06:00:00"), VT_DATE)->date);
    convert(Variant::string("2023-02-30"), VT_DATE, DISP_E_TYPEMISMATCH);
    convert(Variant::r8(1e9), VT_DATE, DISP_E_OVERFLOW);
}

TEST(VariantTest, NullArraysObjectsAndErrorsConvertOnlyWhereDefined)
{
    Variant null;
    null->vt = VT_NULL;
    convert(null, VT_I4, DISP_E_TYPEMISMATCH);
    convert(Variant::i4(1), VT_NULL, DISP_E_TYPEMISMATCH);
    Variant error;
    error->vt = VT_ERROR;
    error->scode = E_FAIL;
    convert(error, VT_I4, DISP_E_TYPEMISMATCH);
    convert(Variant::array(SafeArrayCreateVector(VT_I4, 0, 1)), VT_I4, DISP_E_TYPEMISMATCH);
    Variant none;
    EXPECT_EQ(DISP_E_BADVARTYPE, VariantChangeType(none.get(), Variant::i4(1).get(), 0, VT_VARIANT));
    EXPECT_EQ(DISP_E_BADVARTYPE, VariantChangeType(none.get(), Variant::i4(1).get(), 0, VT_I4 | VT_BYREF));

    ComPtr<Valued> object = makeObject<Valued>();
    Variant holder;
    holder->vt = VT_DISPATCH;
    holder->pdispVal = object.get();
    object->AddRef();
    EXPECT_EQ("42", bstrToUtf8(convert(holder, VT_BSTR)->bstrVal));
    convert(holder, VT_I4, DISP_E_TYPEMISMATCH, VARIANT_NOVALUEPROP);
}

} // namespace
