#pragma once
// Where SendMessage goes while a thread executes a call from a remote client.

#include "platform/automation/window_messages.h"

namespace velmora::automation {

class MessageRoute {
public:
    virtual ~MessageRoute() = default;
    virtual LRESULT sendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) = 0;
};

// Routes the calling thread's SendMessage through `route` for its lifetime.
class ScopedMessageRoute {
public:
    explicit ScopedMessageRoute(MessageRoute* route);
    ~ScopedMessageRoute();
    ScopedMessageRoute(const ScopedMessageRoute&) = delete;
    ScopedMessageRoute& operator=(const ScopedMessageRoute&) = delete;

private:
    MessageRoute* m_previous;
};

// Calls this process's procedure for hwnd on the calling thread; 0 when none.
LRESULT deliverWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

} // namespace velmora::automation
