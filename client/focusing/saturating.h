#pragma once
// Integer results of focuser arithmetic kept inside the int range: positions near
// the limits of a driver's range must not overflow on the way.

#include <algorithm>
#include <climits>

namespace velmora::client {

inline int saturatedInt(long long value)
{
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

} // namespace velmora::client
