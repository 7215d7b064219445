#pragma once
// Exceptions stop at the automation boundary. A member handler, an executor callback
// or a worker thread that throws (std::bad_alloc, std::system_error, ...) must not end
// the server: the call it served fails with a code and error information instead,
// and the loop goes on with the next one.

#include "platform/automation/guid.h"
#include "platform/automation/hresult.h"

#include <functional>
#include <string>
#include <string_view>
#include <utility>

namespace velmora::automation {

// What the exception being handled (inside a catch block) means for the call:
// E_OUTOFMEMORY for std::bad_alloc, E_UNEXPECTED for anything else.
HRESULT failureCodeOfCurrentException();
// Its description for error information: "Out of memory", or "Unexpected failure"
// with what the exception says.
std::string describeCurrentException();
// Installs error information for the exception being handled on the calling thread
// (interface `iid`, `source`, the description above) and returns its failure code.
HRESULT reportCurrentException(REFIID iid = IID_NULL, std::string_view source = {});

// Writes the exception being handled to stderr with `where`, for failures that have
// nobody to be handed to.
void logCurrentException(const char* where) noexcept;

// Runs `task`; whatever it throws is reported on stderr with `where` and goes no
// further. For callbacks of an event loop and bodies of threads, which have nobody to
// hand a failure to.
void runGuarded(const char* where, const std::function<void()>& task) noexcept;

// `task` wrapped by runGuarded, for handing to a loop or a thread.
template <class Task> std::function<void()> guarded(const char* where, Task task)
{
    return [where, task = std::move(task)]() mutable { runGuarded(where, task); };
}

} // namespace velmora::automation
