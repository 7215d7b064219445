#include "platform/automation/type_library_text.h"

namespace velmora::automation {

namespace {

std::string baseTypeName(VARTYPE vt)
{
    switch (vt) {
    case VT_I2:
        return "short";
    case VT_I4:
        return "long";
    case VT_I8:
        return "hyper";
    case VT_UI1:
        return "unsigned char";
    case VT_R4:
        return "float";
    case VT_R8:
        return "double";
    case VT_BOOL:
        return "VARIANT_BOOL";
    case VT_BSTR:
        return "BSTR";
    case VT_DATE:
        return "DATE";
    case VT_ERROR:
        return "SCODE";
    case VT_DISPATCH:
        return "IDispatch*";
    case VT_UNKNOWN:
        return "IUnknown*";
    case VT_VARIANT:
        return "VARIANT";
    default:
        return "void";
    }
}

std::string uuidText(const IID& iid)
{
    const std::string braced = formatGuid(iid);
    return braced.substr(1, braced.size() - 2);
}

std::string memberLine(const MemberInfo& m)
{
    std::string line = "    [id(" + std::to_string(m.dispid) + ")";
    if (m.kind == MemberKind::PropertyGet)
        line += ", propget";
    else if (m.kind == MemberKind::PropertyPut)
        line += ", propput";
    if (!m.help.empty())
        line += ", helpstring(\"" + m.help + "\")";
    line += "] HRESULT " + m.name + "(";
    std::string params;
    for (const ParamDesc& p : m.params) {
        if (!params.empty())
            params += ", ";
        params += "[in] " + idlTypeName(p.type) + " " + (p.name.empty() ? "newVal" : p.name);
    }
    if (m.result.vt != VT_EMPTY) {
        if (!params.empty())
            params += ", ";
        params += "[out, retval] " + idlTypeName(m.result) + "* pVal";
    }
    return line + params + ");\n";
}

} // namespace

std::string idlTypeName(const TypeDesc& type)
{
    if (!type.name.empty())
        return type.name;
    if (type.vt & VT_ARRAY)
        return "SAFEARRAY(" + baseTypeName(type.vt & VT_TYPEMASK) + ")";
    return baseTypeName(type.vt);
}

std::string interfaceDefinitionText(const InterfaceDescription& description, const DispatchTableBase& table)
{
    std::string text = "[\n    object,\n    uuid(" + uuidText(description.iid) +
                       "),\n    dual,\n    nonextensible,\n    oleautomation,\n    helpstring(\"" +
                       description.help + "\")\n]\ninterface " + description.name + " : IDispatch {\n";
    for (const MemberInfo& m : table.members())
        text += memberLine(m);
    return text + "};\n";
}

} // namespace velmora::automation
