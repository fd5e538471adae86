// What every system shares; the pages are asked for in LargeBuffer_posix.cpp and
// LargeBuffer_win32.cpp.
#include "system/LargeBuffer.h"

#include <utility>

LargeBuffer::LargeBuffer(std::size_t bytes) : LargeBuffer(Reserve(bytes)) { Commit(bytes); }

LargeBuffer::~LargeBuffer() { Release(); }

LargeBuffer::LargeBuffer(LargeBuffer&& other) noexcept { Swap(other); }

LargeBuffer& LargeBuffer::operator=(LargeBuffer&& other) noexcept
{
    LargeBuffer taken(std::move(other));
    Swap(taken);
    return *this;
}

void LargeBuffer::Swap(LargeBuffer& other) noexcept
{
    std::swap(m_data, other.m_data);
    std::swap(m_size, other.m_size);
    std::swap(m_committed, other.m_committed);
    std::swap(m_pages, other.m_pages);
}
