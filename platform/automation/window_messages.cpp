#include "platform/automation/window_messages.h"

#include "platform/automation/message_route.h"

#include <map>
#include <memory>
#include <mutex>

namespace velmora::automation {

namespace {

struct WindowTable {
    std::mutex mutex;
    std::map<std::uint64_t, std::shared_ptr<WNDPROC>> procs;
    std::uint64_t next = 0x10000;
};

WindowTable& windows()
{
    static WindowTable table;
    return table;
}

MessageRoute*& currentRoute()
{
    thread_local MessageRoute* route = nullptr;
    return route;
}

} // namespace

ScopedMessageRoute::ScopedMessageRoute(MessageRoute* route) : m_previous(currentRoute())
{
    currentRoute() = route;
}

ScopedMessageRoute::~ScopedMessageRoute()
{
    currentRoute() = m_previous;
}

LRESULT deliverWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    std::shared_ptr<WNDPROC> proc;
    {
        WindowTable& table = windows();
        std::lock_guard lock(table.mutex);
        const auto it = table.procs.find(static_cast<std::uint64_t>(hwnd));
        if (it == table.procs.end())
            return 0;
        proc = it->second;
    }
    return (*proc)(hwnd, msg, wParam, lParam);
}

} // namespace velmora::automation

using namespace velmora::automation;

HWND RegisterWindowProc(WNDPROC proc)
{
    WindowTable& table = windows();
    std::lock_guard lock(table.mutex);
    std::uint64_t handle = 0;
    do {
        handle = table.next;
        table.next = table.next >= 0x7FFFFFF0 ? 0x10000 : table.next + 4;
    } while (table.procs.count(handle));
    table.procs[handle] = std::make_shared<WNDPROC>(std::move(proc));
    return static_cast<HWND>(handle);
}

bool UnregisterWindowProc(HWND hwnd)
{
    WindowTable& table = windows();
    std::lock_guard lock(table.mutex);
    return table.procs.erase(static_cast<std::uint64_t>(hwnd)) > 0;
}

LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (MessageRoute* route = currentRoute())
        return route->sendMessage(hwnd, msg, wParam, lParam);
    return deliverWindowMessage(hwnd, msg, wParam, lParam);
}
