#include "platform/automation/exception_guard.h"

#include "platform/automation/error_info.h"

#include <cstdio>
#include <exception>
#include <new>

namespace velmora::automation {

HRESULT failureCodeOfCurrentException()
{
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

std::string describeCurrentException()
{
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return "Out of memory";
    } catch (const std::exception& e) {
        return std::string("Unexpected failure: ") + e.what();
    } catch (...) {
        return "Unexpected failure";
    }
}

HRESULT reportCurrentException(REFIID iid, std::string_view source)
{
    const HRESULT code = failureCodeOfCurrentException();
    try {
        reportError(iid, source, describeCurrentException());
    } catch (...) {
        // Not even the error information fits: the code alone must do.
        SetErrorInfo(0, nullptr);
    }
    return code;
}

void logCurrentException(const char* where) noexcept
{
    std::string text;
    try {
        text = describeCurrentException();
    } catch (...) {
    }
    std::fprintf(stderr, "%s: %s; going on\n", where, text.empty() ? "Unexpected failure" : text.c_str());
}

void runGuarded(const char* where, const std::function<void()>& task) noexcept
{
    try {
        task();
    } catch (...) {
        logCurrentException(where);
    }
}

} // namespace velmora::automation
