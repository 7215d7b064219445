#include "server/frame/driver_object.h"

#include <cstring>

namespace velmora::server {

const ServerClass& serverClass(const char* name)
{
    for (const auto& c : kServerClasses)
        if (std::strcmp(c.name, name) == 0)
            return c;
    return kServerClasses[0];
}

IID interfaceIdOf(const ServerClass& serverClass)
{
    return automation::parseGuid(serverClass.interfaceId).value_or(IID_NULL);
}

} // namespace velmora::server
