#pragma once
// The text (IDL) form of a dispatch table's interface, for a server to publish its
// type library:
//
//   [
//       object,
//       uuid(128FEB8D-CD50-489E-B654-E3F5B7EFAE66),
//       dual,
//       nonextensible,
//       oleautomation,
//       helpstring("ICamera Interface")
//   ]
//   interface ICamera : IDispatch {
//       [id(1), propget, helpstring("property BinX")] HRESULT BinX([out, retval] short* pVal);
//       [id(1), propput, helpstring("property BinX")] HRESULT BinX([in] short newVal);
//       [id(39), helpstring("method StartExposure")] HRESULT StartExposure([in] double Duration,
//           [in] VARIANT_BOOL Light, [out, retval] VARIANT_BOOL* pVal);
//   };
//
// (each member on one line). Members appear in the table's order.

#include "platform/automation/dispatch_table.h"

#include <string>

namespace velmora::automation {

struct InterfaceDescription {
    std::string name;
    IID iid;
    std::string help;
};

std::string interfaceDefinitionText(const InterfaceDescription& description, const DispatchTableBase& table);

// "short", "long", "hyper", "double", "VARIANT_BOOL", "BSTR", "SAFEARRAY(long)", or the
// type's own name when it carries one.
std::string idlTypeName(const TypeDesc& type);

} // namespace velmora::automation
