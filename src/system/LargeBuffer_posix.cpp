#include "system/LargeBuffer.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <utility>

#ifdef __linux__
#include <sys/mman.h>
#elif defined(_WIN32)
#include <windows.h>
#endif

namespace {

#ifdef __linux__
// Huge pages are 2 MiB on the machines this runs on; smaller buffers keep ordinary pages.
constexpr std::size_t kHugePage = std::size_t{2} << 20;
#elif defined(_WIN32)
// Buffers from this size are reserved as pages of their own and committed in steps.
constexpr std::size_t kReserveFrom = std::size_t{1} << 20;
constexpr std::size_t kCommitStep = std::size_t{4} << 20;
#endif

[[maybe_unused]] std::size_t RoundUp(std::size_t n, std::size_t unit)
{
    return (n + unit - 1) / unit * unit;
}

} // namespace

LargeBuffer LargeBuffer::Reserve(std::size_t bytes)
{
    LargeBuffer buffer;
    buffer.m_size = bytes;
#ifdef __linux__
    // A mapping takes memory page by page as it is touched: all of it counts as committed.
    if (bytes >= kHugePage) {
        const std::size_t mapped = RoundUp(bytes, kHugePage);
        void* p =
            ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p != MAP_FAILED) {
            ::madvise(p, mapped, MADV_HUGEPAGE); // advice only: ordinary pages serve as well
            buffer.m_data = p;
            buffer.m_pages = mapped;
            buffer.m_committed = bytes;
            return buffer;
        }
    }
#elif defined(_WIN32)
    if (bytes >= kReserveFrom) {
        buffer.m_data = ::VirtualAlloc(nullptr, bytes, MEM_RESERVE, PAGE_READWRITE);
        if (buffer.m_data == nullptr)
            throw std::bad_alloc();
        buffer.m_pages = bytes;
        return buffer;
    }
#endif
    // calloc hands out fresh zero pages for large blocks: nothing is touched until used.
    buffer.m_data = std::calloc(bytes == 0 ? 1 : bytes, 1);
    if (buffer.m_data == nullptr)
        throw std::bad_alloc();
    buffer.m_committed = bytes;
    return buffer;
}

LargeBuffer::LargeBuffer(std::size_t bytes) : LargeBuffer(Reserve(bytes)) { Commit(bytes); }

LargeBuffer::~LargeBuffer() { Release(); }

LargeBuffer::LargeBuffer(LargeBuffer&& other) noexcept { Swap(other); }

LargeBuffer& LargeBuffer::operator=(LargeBuffer&& other) noexcept
{
    LargeBuffer taken(std::move(other));
    Swap(taken);
    return *this;
}

void LargeBuffer::Commit(std::size_t bytes)
{
    bytes = std::min(bytes, m_size);
    if (bytes <= m_committed)
        return;
#ifdef _WIN32
    // Committed pages read as zeros until written.
    const std::size_t end = std::min(m_size, RoundUp(bytes, kCommitStep));
    char* const from = static_cast<char*>(m_data) + m_committed;
    if (::VirtualAlloc(from, end - m_committed, MEM_COMMIT, PAGE_READWRITE) == nullptr)
        throw std::bad_alloc();
    m_committed = end;
#endif
}

void LargeBuffer::Swap(LargeBuffer& other) noexcept
{
    std::swap(m_data, other.m_data);
    std::swap(m_size, other.m_size);
    std::swap(m_committed, other.m_committed);
    std::swap(m_pages, other.m_pages);
}

void LargeBuffer::Release() noexcept
{
    if (m_data == nullptr)
        return;
#ifdef __linux__
    if (m_pages != 0) {
        ::munmap(m_data, m_pages);
        return;
    }
#elif defined(_WIN32)
    if (m_pages != 0) {
        ::VirtualFree(m_data, 0, MEM_RELEASE);
        return;
    }
#endif
    std::free(m_data);
}
