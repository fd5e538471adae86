#include "store/FixTable.h"

#include <algorithm>
#include <new>

FixTable::FixTable(std::int32_t capacity) : m_capacity(std::max(capacity, 0))
{
    // calloc hands out fresh zero pages for large blocks: the table costs nothing until it is used.
    void* p = std::calloc(static_cast<std::size_t>(std::max(m_capacity, 1)), sizeof(TGpsFix));
    if (p == nullptr)
        throw std::bad_alloc();
    m_entries.reset(static_cast<TGpsFix*>(p));
}
