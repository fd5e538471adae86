#include "store/FixStore.h"

#include <cstring>
#include <new>

namespace {

template <typename T> std::unique_ptr<T[], FreeDeleter> AllocateZeroed(std::size_t count)
{
    // calloc hands out fresh zero pages for large blocks: the table costs nothing until it is used.
    void* p = std::calloc(count, sizeof(T));
    if (p == nullptr)
        throw std::bad_alloc();
    return std::unique_ptr<T[], FreeDeleter>(static_cast<T*>(p));
}

} // namespace

FixStore::FixStore()
    : FixTable(AllocateZeroed<TGpsFix>(FixCapacity)),
      LogBuffer(AllocateZeroed<std::uint8_t>(kLogBufferSize + kLogBufferSlack))
{
    std::memset(LogBuffer.get() + kLogBufferSize, 0xFF, kLogBufferSlack);
}
