#include "platform/automation/block_pool.h"

#include <cstdlib>

namespace velmora::automation {

namespace {
constexpr std::size_t kAlignment = 64;

std::size_t roundUp(std::size_t bytes)
{
    return (bytes + kAlignment - 1) / kAlignment * kAlignment;
}
} // namespace

BlockPool& BlockPool::instance()
{
    static BlockPool pool;
    return pool;
}

BlockPool::~BlockPool()
{
    for (const Cached& c : m_cache)
        std::free(c.block);
}

void* BlockPool::allocate(std::size_t bytes)
{
    const std::size_t capacity = roundUp(bytes == 0 ? 1 : bytes);
    if (capacity < bytes)
        return nullptr;
    if (capacity >= kCachedFrom) {
        std::lock_guard lock(m_mutex);
        for (std::size_t i = 0; i < m_cache.size(); ++i) {
            if (m_cache[i].capacity == capacity) {
                void* block = m_cache[i].block;
                m_cachedBytes -= capacity;
                m_cache.erase(m_cache.begin() + static_cast<std::ptrdiff_t>(i));
                return block;
            }
        }
    }
    return std::aligned_alloc(kAlignment, capacity);
}

void BlockPool::release(void* block, std::size_t bytes)
{
    if (!block)
        return;
    const std::size_t capacity = roundUp(bytes == 0 ? 1 : bytes);
    if (capacity >= kCachedFrom) {
        std::lock_guard lock(m_mutex);
        // Keep the newest blocks; the oldest give way.
        while (!m_cache.empty() &&
               (m_cache.size() >= kMaxCachedBlocks || m_cachedBytes + capacity > kMaxCachedBytes)) {
            std::free(m_cache.front().block);
            m_cachedBytes -= m_cache.front().capacity;
            m_cache.erase(m_cache.begin());
        }
        if (capacity <= kMaxCachedBytes) {
            m_cache.push_back({block, capacity});
            m_cachedBytes += capacity;
            return;
        }
    }
    std::free(block);
}

} // namespace velmora::automation
