#pragma once
// Window handles and synchronous window messages, enough for WM_COPYDATA between a
// driver server and its client.
//
// A client registers a window procedure and gets a handle for it. A server that
// calls SendMessage while it executes a call from that client has the message
// carried back over the calling connection and delivered to the procedure on the
// client's calling thread, before the call returns; SendMessage returns the
// procedure's result. A handle the caller has not registered gives 0. Outside a
// call SendMessage reaches this process's own procedures, on the sending thread.
// Only WM_COPYDATA carries data across processes; other messages pass wParam and
// lParam as plain numbers.

#include "platform/automation/win_types.h"

#include <functional>

// Opaque; handles are below 2^31, so they survive being passed as a 32-bit value.
enum class HWND : std::uint64_t {};

constexpr UINT WM_USER = 0x0400;
constexpr UINT WM_COPYDATA = 0x004A;

struct COPYDATASTRUCT {
    ULONG_PTR dwData;
    DWORD cbData;
    void* lpData;
};

using WNDPROC = std::function<LRESULT(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)>;

// A new handle whose messages go to proc.
HWND RegisterWindowProc(WNDPROC proc);
// False for an unknown handle. A message already being delivered still completes.
bool UnregisterWindowProc(HWND hwnd);
// For WM_COPYDATA, lParam points at a COPYDATASTRUCT; the data stays valid only
// while the procedure runs.
LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
