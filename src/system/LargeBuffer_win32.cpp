#include "system/LargeBuffer.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <windows.h>

namespace {

// Buffers from this size are reserved as pages of their own and committed in steps.
constexpr std::size_t kReserveFrom = std::size_t{1} << 20;
constexpr std::size_t kCommitStep = std::size_t{4} << 20;

std::size_t RoundUp(std::size_t n, std::size_t unit) { return (n + unit - 1) / unit * unit; }

} // namespace

LargeBuffer LargeBuffer::Reserve(std::size_t bytes)
{
    LargeBuffer buffer;
    buffer.m_size = bytes;
    if (bytes >= kReserveFrom) {
        buffer.m_data = ::VirtualAlloc(nullptr, bytes, MEM_RESERVE, PAGE_READWRITE);
        if (buffer.m_data == nullptr)
            throw std::bad_alloc();
        buffer.m_pages = bytes;
        return buffer;
    }
    // calloc hands out fresh zero pages for large blocks: nothing is touched until used.
    buffer.m_data = std::calloc(bytes == 0 ? 1 : bytes, 1);
    if (buffer.m_data == nullptr)
        throw std::bad_alloc();
    buffer.m_committed = bytes;
    return buffer;
}

void LargeBuffer::Commit(std::size_t bytes)
{
    bytes = std::min(bytes, m_size);
    if (bytes <= m_committed)
        return;
    // Committed pages read as zeros until written.
    const std::size_t end = std::min(m_size, RoundUp(bytes, kCommitStep));
    char* const from = static_cast<char*>(m_data) + m_committed;
    if (::VirtualAlloc(from, end - m_committed, MEM_COMMIT, PAGE_READWRITE) == nullptr)
        throw std::bad_alloc();
    m_committed = end;
}

void LargeBuffer::Release() noexcept
{
    if (m_data == nullptr)
        return;
    if (m_pages != 0) {
        ::VirtualFree(m_data, 0, MEM_RELEASE);
        return;
    }
    std::free(m_data);
}
