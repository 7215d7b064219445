#include "platform/automation/bulk_buffer.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <utility>

namespace velmora::automation {

namespace {

constexpr std::size_t kGranule = std::size_t(1) << 20;
constexpr std::size_t kMaxBuffers = 2;
constexpr std::size_t kMaxReceived = 4;
constexpr std::uint64_t kMaxCapacity = (std::uint64_t(1) << 30) + kGranule;

std::atomic<std::uint32_t>& busyFlag(std::uint8_t* base)
{
    static_assert(sizeof(std::atomic<std::uint32_t>) == 4);
    return *reinterpret_cast<std::atomic<std::uint32_t>*>(base);
}

} // namespace

BulkSender::~BulkSender()
{
    for (Buffer& b : m_buffers)
        destroy(b);
}

bool BulkSender::create(std::size_t capacity, Buffer& buffer)
{
    const int fd = memfd_create("velmora-bulk", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0)
        return false;
    void* base = MAP_FAILED;
    if (ftruncate(fd, static_cast<off_t>(capacity)) == 0 &&
        fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_SEAL) == 0)
        base = mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (base == MAP_FAILED) {
        ::close(fd);
        return false;
    }
    buffer.fd = fd;
    buffer.base = static_cast<std::uint8_t*>(base);
    buffer.capacity = capacity;
    buffer.announced = false;
    return true;
}

void BulkSender::destroy(Buffer& buffer)
{
    if (buffer.base)
        munmap(buffer.base, buffer.capacity);
    if (buffer.fd >= 0)
        ::close(buffer.fd);
    buffer = Buffer{};
}

BulkSender::Buffer* BulkSender::pick(std::size_t bytes)
{
    Buffer* spare = nullptr;
    for (Buffer& b : m_buffers) {
        const bool free = busyFlag(b.base).load(std::memory_order_acquire) == 0;
        if (free && b.capacity - kBulkHeaderBytes >= bytes)
            return &b;
        if (free || !spare)
            spare = &b; // prefer replacing one the client is done with
    }
    const std::size_t capacity = (bytes + kBulkHeaderBytes + kGranule - 1) / kGranule * kGranule;
    Buffer fresh;
    if (capacity > kMaxCapacity || !create(capacity, fresh))
        return nullptr;
    fresh.id = m_nextId++;
    if (m_buffers.size() < kMaxBuffers) {
        m_buffers.push_back(fresh);
        return &m_buffers.back();
    }
    destroy(*spare);
    *spare = fresh;
    return spare;
}

bool BulkSender::place(const void* data, std::size_t bytes, wire::BulkRef& ref, int& fdToSend)
{
    Buffer* b = pick(bytes);
    if (!b)
        return false;
    busyFlag(b->base).store(1, std::memory_order_relaxed);
    std::memcpy(b->base + kBulkHeaderBytes, data, bytes);
    ref = wire::BulkRef{b->id, !b->announced, b->capacity, kBulkHeaderBytes, bytes};
    fdToSend = b->announced ? -1 : b->fd;
    b->announced = true;
    return true;
}

struct BulkReceiver::Mapping {
    std::uint8_t* base = nullptr;
    std::size_t capacity = 0;
    ~Mapping()
    {
        if (base)
            munmap(base, capacity);
    }
};

bool BulkReceiver::resolve(const wire::BulkRef& ref, int& fd, void*& data, std::shared_ptr<void>& owner)
{
    if (ref.isNew != (fd >= 0))
        return false;
    if (ref.isNew) {
        const int received = std::exchange(fd, -1);
        struct stat st {};
        const int seals = fcntl(received, F_GET_SEALS);
        // Without these seals the server could shrink the file under our mapping.
        const bool sound = seals >= 0 && (seals & F_SEAL_SHRINK) && fstat(received, &st) == 0 &&
                           S_ISREG(st.st_mode) && static_cast<std::uint64_t>(st.st_size) == ref.capacity &&
                           ref.capacity >= kBulkHeaderBytes && ref.capacity <= kMaxCapacity;
        void* base =
            sound ? mmap(nullptr, ref.capacity, PROT_READ | PROT_WRITE, MAP_SHARED, received, 0) : MAP_FAILED;
        ::close(received);
        if (base == MAP_FAILED)
            return false;
        auto mapping = std::make_shared<Mapping>();
        mapping->base = static_cast<std::uint8_t*>(base);
        mapping->capacity = ref.capacity;
        if (m_mappings.size() >= kMaxReceived && !m_mappings.count(ref.buffer))
            m_mappings.erase(m_mappings.begin()); // the oldest id; its users keep it mapped
        m_mappings[ref.buffer] = mapping;
    }
    const auto it = m_mappings.find(ref.buffer);
    if (it == m_mappings.end())
        return false;
    const std::shared_ptr<Mapping> mapping = it->second;
    if (ref.capacity != mapping->capacity || ref.offset < kBulkHeaderBytes || ref.offset % 8 != 0 ||
        ref.offset > mapping->capacity || ref.size > mapping->capacity - ref.offset)
        return false;
    data = mapping->base + ref.offset;
    owner = std::shared_ptr<void>(
        data, [mapping](void*) { busyFlag(mapping->base).store(0, std::memory_order_release); });
    return true;
}

} // namespace velmora::automation
