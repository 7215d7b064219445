#include "client/guiding/newest_first_array.h"

#include <algorithm>

namespace velmora::client {

NewestFirstArray::NewestFirstArray(std::size_t capacity)
    : m_capacity(std::max<std::size_t>(capacity, 1)), m_block(2 * m_capacity), m_begin(m_block.size())
{
}

void NewestFirstArray::clear()
{
    m_begin = m_block.size();
    m_size = 0;
}

void NewestFirstArray::pushFront(double value)
{
    if (m_size >= m_capacity)
        return;
    if (m_begin == 0) {
        const std::size_t newBegin = m_block.size() - m_size;
        std::copy_backward(m_block.begin(), m_block.begin() + static_cast<std::ptrdiff_t>(m_size),
                           m_block.end());
        m_begin = newBegin;
    }
    m_block[--m_begin] = value;
    ++m_size;
}

void NewestFirstArray::popBack()
{
    if (m_size > 0)
        --m_size;
}

} // namespace velmora::client
