#include "platform/automation/hresult.h"

#include <cstdio>

namespace velmora::automation {

namespace {

struct MessageEntry {
    HRESULT code;
    const char* text;
};

// Texts as the system's message table words them.
constexpr MessageEntry kMessages[] = {
    {S_OK, "The operation completed successfully."},
    {S_FALSE, "Incorrect function."},
    {E_NOTIMPL, "Not implemented"},
    {E_NOINTERFACE, "No such interface supported"},
    {E_POINTER, "Invalid pointer"},
    {E_ABORT, "Operation aborted"},
    {E_FAIL, "Unspecified error"},
    {E_UNEXPECTED, "Catastrophic failure"},
    {E_ACCESSDENIED, "Access is denied."},
    {E_HANDLE, "The handle is invalid."},
    {E_OUTOFMEMORY, "Not enough memory resources are available to complete this operation."},
    {E_INVALIDARG, "The parameter is incorrect."},
    {DISP_E_UNKNOWNINTERFACE, "Unknown interface."},
    {DISP_E_MEMBERNOTFOUND, "Member not found."},
    {DISP_E_PARAMNOTFOUND, "Parameter not found."},
    {DISP_E_TYPEMISMATCH, "Type mismatch."},
    {DISP_E_UNKNOWNNAME, "Unknown name."},
    {DISP_E_NONAMEDARGS, "No named arguments."},
    {DISP_E_BADVARTYPE, "Bad variable type."},
    {DISP_E_EXCEPTION, "Exception occurred."},
    {DISP_E_OVERFLOW, "Out of present range."},
    {DISP_E_BADINDEX, "Invalid index."},
    {DISP_E_ARRAYISLOCKED, "Memory is locked."},
    {DISP_E_BADPARAMCOUNT, "Invalid number of parameters."},
    {DISP_E_PARAMNOTOPTIONAL, "Parameter not optional."},
    {CLASS_E_NOAGGREGATION, "Class does not support aggregation (or class object is remote)"},
    {CLASS_E_CLASSNOTAVAILABLE, "ClassFactory cannot supply requested class"},
    {REGDB_E_READREGDB, "Could not read key from registry"},
    {REGDB_E_CLASSNOTREG, "Class not registered"},
    {CO_E_NOTINITIALIZED, "CoInitialize has not been called."},
    {CO_E_CLASSSTRING, "Invalid class string"},
    {CO_E_APPNOTFOUND, "Application not found"},
    {CO_E_OBJNOTREG, "Object is not registered"},
    {CO_E_OBJISREG, "Object is already registered"},
    {CO_E_SERVER_EXEC_FAILURE, "Server execution failed"},
    {CO_E_SERVER_STOPPING, "Object server is stopping when OLE service contacts it"},
    {RPC_E_CHANGED_MODE, "Cannot change thread mode after it is set."},
    {RPC_E_DISCONNECTED, "The object invoked has disconnected from its clients."},
    {RPC_E_INVALID_OBJECT, "The requested object does not exist."},
    {RPC_E_TIMEOUT, "This operation returned because the timeout period expired."},
    {HRESULT_FROM_WIN32(1460), "This operation returned because the timeout period expired."},
};

} // namespace

std::string hresultMessage(HRESULT hr)
{
    for (const MessageEntry& entry : kMessages) {
        if (entry.code == hr)
            return entry.text;
    }
    return {};
}

std::string formatHresult(HRESULT hr)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
    return text;
}

} // namespace velmora::automation
