#pragma once
// Helpers shared by ServerConnection's source files.

#include "platform/automation/message_route.h"
#include "platform/automation/server_connection.h"

namespace velmora::automation {

class ServerConnection::CallRoute : public MessageRoute {
public:
    CallRoute(ServerConnection& connection, std::uint32_t callId) : m_connection(connection), m_callId(callId)
    {
    }
    LRESULT sendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        return m_connection.sendMessageDuringCall(m_callId, hwnd, msg, wParam, lParam);
    }

private:
    ServerConnection& m_connection;
    std::uint32_t m_callId;
};

// One bulk block per message (its memfd is the message's one fd); objects in results
// become objects of this connection.
class ServerConnection::ReplyHooks : public wire::EncodeHooks {
public:
    explicit ReplyHooks(ServerConnection& connection) : m_connection(connection) {}
    bool placeBulk(const void* data, std::size_t bytes, wire::BulkRef& ref) override
    {
        if (m_used)
            return false;
        int fd = -1;
        if (!m_connection.m_bulk.place(data, bytes, ref, fd))
            return false;
        m_used = true;
        m_fd = fd;
        return true;
    }
    HRESULT exportObject(IDispatch* object, std::uint32_t& id) override
    {
        return m_connection.addObject(object, id);
    }
    int fd() const { return m_fd; }

private:
    ServerConnection& m_connection;
    bool m_used = false;
    int m_fd = -1;
};

} // namespace velmora::automation
