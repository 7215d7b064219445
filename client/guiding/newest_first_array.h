#pragma once
// A bounded array of doubles that grows at its front, newest value first, and loses
// its oldest value at the back, both in amortised constant time, while staying one
// contiguous span for the readers (graphs, filters). Twice the capacity is reserved;
// when the front reaches the start of the block the values move to its end once.

#include <cstddef>
#include <span>
#include <vector>

namespace velmora::client {

class NewestFirstArray {
public:
    explicit NewestFirstArray(std::size_t capacity);

    void clear();
    // Room for one more must exist (size() < capacity()).
    void pushFront(double value);
    void popBack();

    std::size_t size() const { return m_size; }
    std::size_t capacity() const { return m_capacity; }
    double& operator[](std::size_t i) { return m_block[m_begin + i]; }
    double operator[](std::size_t i) const { return m_block[m_begin + i]; }
    double back() const { return m_block[m_begin + m_size - 1]; }
    std::span<const double> values() const { return {m_block.data() + m_begin, m_size}; }
    std::span<double> values() { return {m_block.data() + m_begin, m_size}; }

private:
    std::size_t m_capacity;
    std::vector<double> m_block;
    std::size_t m_begin;
    std::size_t m_size = 0;
};

} // namespace velmora::client
