#include "platform/automation/dispatch_table.h"

#include "platform/automation/com_ptr.h"
#include "platform/automation/error_info.h"

#include <cassert>

namespace velmora::automation {

namespace {

char16_t foldCase(char16_t c)
{
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

std::u16string_view nameView(LPCOLESTR name)
{
    return name ? std::u16string_view(name) : std::u16string_view();
}

bool isMissingArgument(const VARIANT& v)
{
    return v.vt == VT_ERROR && v.scode == DISP_E_PARAMNOTFOUND;
}

HRESULT convertArgument(const VARIANT& source, const TypeDesc& type, VARIANT& dest)
{
    if (isMissingArgument(source))
        return DISP_E_PARAMNOTOPTIONAL;
    if (type.vt == VT_VARIANT)
        return VariantCopyInd(&dest, &source);
    if (type.vt & VT_ARRAY) {
        if ((source.vt & ~VT_BYREF) != type.vt)
            return DISP_E_TYPEMISMATCH;
        return VariantCopyInd(&dest, &source);
    }
    const HRESULT hr = VariantChangeType(&dest, &source, 0, type.vt);
    return hr == DISP_E_BADVARTYPE ? DISP_E_TYPEMISMATCH : hr;
}

} // namespace

bool sameMemberName(std::u16string_view a, std::u16string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (foldCase(a[i]) != foldCase(b[i]))
            return false;
    }
    return true;
}

ArgumentList::~ArgumentList()
{
    for (VARIANT& v : m_items)
        VariantClear(&v);
}

void ArgumentList::resize(std::size_t count)
{
    m_items.resize(count);
    for (VARIANT& v : m_items)
        VariantInit(&v);
}

void DispatchTableBase::addMember(MemberInfo info)
{
    for ([[maybe_unused]] const MemberInfo& m : m_members)
        assert(!(m.dispid == info.dispid && m.kind == info.kind) && "member declared twice");
    m_wideNames.push_back(utf8ToUtf16(info.name));
    m_members.push_back(std::move(info));
}

HRESULT DispatchTableBase::getIdsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID /*lcid*/,
                                         DISPID* ids) const
{
    if (riid != IID_NULL)
        return DISP_E_UNKNOWNINTERFACE;
    if (!names || !ids || count == 0)
        return E_INVALIDARG;
    for (UINT i = 0; i < count; ++i)
        ids[i] = DISPID_UNKNOWN;
    const std::u16string_view wanted = nameView(names[0]);
    for (std::size_t i = 0; i < m_members.size(); ++i) {
        if (sameMemberName(m_wideNames[i], wanted)) {
            ids[0] = m_members[i].dispid;
            return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
        }
    }
    return DISP_E_UNKNOWNNAME;
}

HRESULT DispatchTableBase::prepare(DISPID dispid, REFIID riid, WORD flags, const DISPPARAMS* params,
                                   std::size_t& member, ArgumentList& args, UINT* argError) const
{
    if (riid != IID_NULL)
        return DISP_E_UNKNOWNINTERFACE;
    const WORD reading = flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET);
    const WORD writing = flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
    if ((flags & ~0xF) || (reading && writing) || (!reading && !writing))
        return E_INVALIDARG;
    if (!params || (params->cArgs && !params->rgvarg) || params->cNamedArgs > params->cArgs ||
        (params->cNamedArgs && !params->rgdispidNamedArgs))
        return E_INVALIDARG;

    // A get is preferred when both get and method are asked for, as a script's "x = o.Foo" does.
    const MemberKind order[] = {MemberKind::PropertyGet, MemberKind::Method, MemberKind::PropertyPut};
    const MemberInfo* found = nullptr;
    for (MemberKind kind : order) {
        const bool wanted = (kind == MemberKind::PropertyGet && (flags & DISPATCH_PROPERTYGET)) ||
                            (kind == MemberKind::Method && (flags & DISPATCH_METHOD)) ||
                            (kind == MemberKind::PropertyPut && (flags & DISPATCH_PROPERTYPUT));
        for (std::size_t i = 0; wanted && !found && i < m_members.size(); ++i) {
            if (m_members[i].dispid == dispid && m_members[i].kind == kind) {
                found = &m_members[i];
                member = i;
            }
        }
    }
    if (!found)
        return DISP_E_MEMBERNOTFOUND;

    if (found->kind == MemberKind::PropertyPut) {
        if (params->cNamedArgs != 1 || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
            return DISP_E_PARAMNOTOPTIONAL;
    } else if (params->cNamedArgs != 0) {
        return DISP_E_NONAMEDARGS;
    }
    if (params->cArgs != found->params.size())
        return DISP_E_BADPARAMCOUNT;

    args.resize(params->cArgs);
    for (UINT i = 0; i < params->cArgs; ++i) {
        const UINT position = params->cArgs - 1 - i;
        const HRESULT hr = convertArgument(params->rgvarg[position], found->params[i].type, args[i]);
        if (FAILED(hr)) {
            if (argError)
                *argError = position;
            return hr;
        }
    }
    return S_OK;
}

HRESULT DispatchTableBase::finish(std::size_t member, HRESULT hr, Variant& value, VARIANT* result,
                                  EXCEPINFO* exception) const
{
    if (FAILED(hr)) {
        if (exception)
            takeErrorInfoInto(*exception, hr);
        return DISP_E_EXCEPTION;
    }
    const TypeDesc& type = m_members[member].result;
    if (type.vt == VT_EMPTY) {
        VariantClear(value.get());
    } else if (type.vt != VT_VARIANT && value->vt != type.vt) {
        const HRESULT converted = VariantChangeType(value.get(), value.get(), 0, type.vt);
        if (FAILED(converted))
            return converted;
    }
    if (result) {
        VariantClear(result);
        *result = value.detach();
    }
    return hr;
}

HRESULT DispatchTableBase::completeLater(std::size_t member) const
{
    DeferralScope* scope = DeferralScope::current();
    DeferredParts* parts = scope ? scope->pending() : nullptr;
    if (!parts)
        return E_UNEXPECTED; // only deferCall answers kCallDeferred, and it leaves its parts
    parts->complete = [this, member, finishPart = parts->finish](VARIANT* result, EXCEPINFO* exception) {
        SetErrorInfo(0, nullptr);
        Variant value;
        const HRESULT hr = finishPart(value.get());
        return finish(member, hr, value, result, exception);
    };
    return kCallDeferred;
}

} // namespace velmora::automation
