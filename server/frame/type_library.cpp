#include "server/frame/type_library.h"

#include "platform/automation/type_library_text.h"
#include "server/frame/interface_members.h"
#include "server/frame/server_identity.h"

#include <cstdio>

namespace velmora::server {

namespace {

std::string bare(const std::string& braced)
{
    return braced.size() > 2 ? braced.substr(1, braced.size() - 2) : braced;
}

std::string enumerationText(const Enumeration& e)
{
    std::string text = "    typedef [uuid(" + bare(e.guid) + ")]\n    enum _" + e.alias + " {\n";
    for (std::size_t i = 0; i < e.members.size(); ++i) {
        text += "        " + e.members[i].name + " = " + std::to_string(e.members[i].value);
        text += (i + 1 < e.members.size()) ? ",\n" : "\n";
    }
    return text + "    } " + e.alias + ";\n\n";
}

const std::vector<automation::MemberInfo>& membersOf(const ServerClass& c)
{
    const std::string name = c.name;
    if (name == "Camera")
        return cameraMembers();
    if (name == "Focuser")
        return focuserMembers();
    return telescopeMembers();
}

// A table only describes: its handlers are never called here.
class DescriptionTable : public automation::DispatchTable<int> {
public:
    explicit DescriptionTable(const std::vector<automation::MemberInfo>& members)
    {
        for (const auto& m : members)
            addMember(m);
    }
};

std::string indent(const std::string& block)
{
    std::string out;
    std::size_t start = 0;
    while (start < block.size()) {
        std::size_t end = block.find('\n', start);
        if (end == std::string::npos)
            end = block.size();
        out += "    " + block.substr(start, end - start) + "\n";
        start = end + 1;
    }
    return out;
}

} // namespace

std::string typeLibraryText()
{
    char locale[16];
    std::snprintf(locale, sizeof locale, "0x%04x", kTypeLibLocale);
    std::string text = "[\n    uuid(" + bare(kTypeLibId) + "),\n    version(1.0),\n    lcid(" + locale +
                       "),\n    helpstring(\"" + kTypeLibHelp + "\")\n]\nlibrary " + kTypeLibName +
                       "\n{\n    importlib(\"stdole2.tlb\");\n\n";
    for (const auto& e : serverEnumerations())
        text += enumerationText(e);
    for (const auto& c : kServerClasses) {
        const auto iid = automation::parseGuid(c.interfaceId);
        const automation::InterfaceDescription description{c.interfaceName, iid.value_or(IID_NULL),
                                                           std::string(c.interfaceName) + " Interface"};
        text +=
            indent(automation::interfaceDefinitionText(description, DescriptionTable(membersOf(c)))) + "\n";
    }
    for (const auto& c : kServerClasses) {
        text += "    [\n        uuid(" + bare(c.clsid) + "),\n        helpstring(\"" + c.description +
                "\")\n    ]\n    coclass " + c.name + " {\n        [default] interface " + c.interfaceName +
                ";\n    };\n\n";
    }
    return text + "};\n";
}

} // namespace velmora::server
