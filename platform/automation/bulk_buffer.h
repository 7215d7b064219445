#pragma once
// Shared-memory buffers for large blocks sent from a server to its client (image
// arrays, WM_COPYDATA data), so that megabytes are copied once into memory both
// processes map instead of through the socket.
//
// Each buffer is a sealed memfd (it can neither shrink nor grow) with a 64-byte
// header whose first word says whether the client still uses the data. The server
// reuses a buffer only once the client has let go of it, and otherwise makes a new
// one; the memfd travels with the first message that names the buffer.

#include "platform/automation/wire_protocol.h"

#include <map>
#include <memory>
#include <vector>

namespace velmora::automation {

constexpr std::size_t kBulkHeaderBytes = 64;

// The server's side, one per connection.
class BulkSender {
public:
    BulkSender() = default;
    ~BulkSender();
    BulkSender(const BulkSender&) = delete;
    BulkSender& operator=(const BulkSender&) = delete;

    // Copies the bytes into a free buffer; for a buffer the client has not seen yet,
    // fdToSend is its memfd (still owned here). False when no memory can be had.
    bool place(const void* data, std::size_t bytes, wire::BulkRef& ref, int& fdToSend);

private:
    struct Buffer {
        std::uint32_t id = 0;
        int fd = -1;
        std::uint8_t* base = nullptr;
        std::size_t capacity = 0;
        bool announced = false;
    };
    static bool create(std::size_t capacity, Buffer& buffer);
    static void destroy(Buffer& buffer);
    Buffer* pick(std::size_t bytes);

    std::vector<Buffer> m_buffers;
    std::uint32_t m_nextId = 1;
};

// The client's side, one per connection.
class BulkReceiver {
public:
    // Resolves a reference from the server. A new buffer comes with its memfd in fd
    // (taken over here, fd set to -1), mapped only after its seals and size check out.
    // owner keeps the bytes mapped and marks the buffer free when released.
    bool resolve(const wire::BulkRef& ref, int& fd, void*& data, std::shared_ptr<void>& owner);

private:
    struct Mapping;
    std::map<std::uint32_t, std::shared_ptr<Mapping>> m_mappings;
};

} // namespace velmora::automation
