#pragma once
// The only way the client talks to a driver: create it by ProgID, then get, put or
// call a member by name. No DISPID is cached; a member the driver does not know
// skips the call with the lookup's failure code.

#include "platform/automation/com_ptr.h"
#include "platform/automation/dispatch.h"
#include "platform/automation/variant.h"

#include <string>

namespace velmora::client {

using DriverRef = automation::ComPtr<IDispatch>;

// Longest ProgID accepted (the platform's 256-wide-character buffer with its NUL).
constexpr std::size_t kMaxProgIdLength = 255;

// Replaces `driver` with a new object of the class named by progId; on any failure
// (unknown ProgID, creation failed, ProgID too long) `driver` is left as it was.
HRESULT CreateDriver(const std::string& progId, DriverRef& driver);
HRESULT GetDriverProperty(IDispatch* driver, const char* member, VARIANT* value);
HRESULT PutDriverProperty(IDispatch* driver, const char* member, const VARIANT& value);
// Zero to two arguments in their natural order; result may be null.
HRESULT CallDriverMethod(IDispatch* driver, const char* member, VARIANT* result = nullptr);
HRESULT CallDriverMethod(IDispatch* driver, const char* member, const VARIANT& argument,
                         VARIANT* result = nullptr);
HRESULT CallDriverMethod(IDispatch* driver, const char* member, const VARIANT& first, const VARIANT& second,
                         VARIANT* result = nullptr);

// True only when the read returns exactly S_OK and the 16-bit value is non-zero.
bool readDriverBool(IDispatch* driver, const char* member);
// The connection property written as VT_I2 -1 (connect) or 0 (disconnect).
HRESULT writeConnection(IDispatch* driver, const char* member, bool connect);

} // namespace velmora::client
