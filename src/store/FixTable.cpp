#include "store/FixTable.h"

#include <algorithm>

// The entries start zero-filled: a fix of all-zero bytes is a valid TGpsFix.
FixTable::FixTable(std::int32_t capacity)
    : m_memory(static_cast<std::size_t>(std::max(capacity, 1)) * sizeof(TGpsFix)),
      m_entries(static_cast<TGpsFix*>(m_memory.Data())), m_capacity(std::max(capacity, 0))
{
}
