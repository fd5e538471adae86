#include "system/LargeBuffer.h"

#include <cstdlib>
#include <new>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace {

#ifdef __linux__
// Huge pages are 2 MiB on the machines this runs on; smaller buffers keep ordinary pages.
constexpr std::size_t kHugePage = std::size_t{2} << 20;

std::size_t RoundUp(std::size_t n, std::size_t unit) { return (n + unit - 1) / unit * unit; }
#endif

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
#endif
    // calloc hands out fresh zero pages for large blocks: nothing is touched until used.
    buffer.m_data = std::calloc(bytes == 0 ? 1 : bytes, 1);
    if (buffer.m_data == nullptr)
        throw std::bad_alloc();
    buffer.m_committed = bytes;
    return buffer;
}

// Everything reserved is usable at once.
void LargeBuffer::Commit(std::size_t) {}

void LargeBuffer::Release() noexcept
{
    if (m_data == nullptr)
        return;
#ifdef __linux__
    if (m_pages != 0) {
        ::munmap(m_data, m_pages);
        return;
    }
#endif
    std::free(m_data);
}
