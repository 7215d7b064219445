#pragma once
// Memory for array data. Large blocks are kept for reuse after they are freed: a
// client reading a camera image every cycle would otherwise map, fault in and unmap
// megabytes of fresh pages per frame, which costs more than copying them.

#include <cstddef>
#include <mutex>
#include <vector>

namespace velmora::automation {

class BlockPool {
public:
    // Blocks from this size up are cached.
    static constexpr std::size_t kCachedFrom = std::size_t(1) << 20;
    static constexpr std::size_t kMaxCachedBlocks = 4;
    static constexpr std::size_t kMaxCachedBytes = std::size_t(512) << 20;

    static BlockPool& instance();

    // 64-byte aligned, contents unspecified; null when out of memory.
    void* allocate(std::size_t bytes);
    // `bytes` must be the size given to allocate.
    void release(void* block, std::size_t bytes);

    ~BlockPool();

private:
    struct Cached {
        void* block;
        std::size_t capacity;
    };
    std::mutex m_mutex;
    std::vector<Cached> m_cache;
    std::size_t m_cachedBytes = 0;
};

} // namespace velmora::automation
