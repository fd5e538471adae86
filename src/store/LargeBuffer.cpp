#include "store/LargeBuffer.h"

#include <cstdlib>
#include <new>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace {

#ifdef __linux__
// Huge pages are 2 MiB on the machines this runs on; smaller buffers keep ordinary pages.
constexpr std::size_t kHugePage = std::size_t{2} << 20;
#endif

} // namespace

LargeBuffer::LargeBuffer(std::size_t bytes) : m_size(bytes)
{
#ifdef __linux__
    if (bytes >= kHugePage) {
        const std::size_t mapped = (bytes + kHugePage - 1) / kHugePage * kHugePage;
        void* p =
            ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p != MAP_FAILED) {
            ::madvise(p, mapped, MADV_HUGEPAGE); // advice only: ordinary pages serve as well
            m_data = p;
            m_mapped = mapped;
            return;
        }
    }
#endif
    // calloc hands out fresh zero pages for large blocks: nothing is touched until used.
    m_data = std::calloc(bytes == 0 ? 1 : bytes, 1);
    if (m_data == nullptr)
        throw std::bad_alloc();
}

LargeBuffer::~LargeBuffer()
{
#ifdef __linux__
    if (m_mapped != 0) {
        ::munmap(m_data, m_mapped);
        return;
    }
#endif
    std::free(m_data);
}
