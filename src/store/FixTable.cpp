#include "store/FixTable.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace {

// A table that grows without a reservation starts with this many entries and then doubles.
constexpr std::size_t kFirstEntries = 4096;
// Count() is a 32-bit number.
constexpr std::size_t kMostEntries = std::numeric_limits<std::int32_t>::max();

} // namespace

FixTable::FixTable(std::int32_t fixes)
{
    if (fixes > 0)
        Reserve(static_cast<std::size_t>(fixes));
}

void FixTable::Reserve(std::size_t fixes)
{
    if (fixes <= Capacity())
        return;
    if (fixes > kMostEntries)
        throw std::bad_alloc();
    LargeBuffer larger = LargeBuffer::Reserve(fixes * sizeof(TGpsFix));
    const std::size_t used = static_cast<std::size_t>(m_count) * sizeof(TGpsFix);
    larger.Commit(used);
    if (used != 0)
        std::memcpy(larger.Data(), m_memory.Data(), used);
    m_memory = std::move(larger);
    m_room = m_memory.Committed() / sizeof(TGpsFix);
}

void FixTable::MakeRoom()
{
    const std::size_t wanted = m_room + 1;
    if (wanted > Capacity())
        Reserve(std::max(wanted, std::min(std::max(2 * Capacity(), kFirstEntries), kMostEntries)));
    m_memory.Commit(wanted * sizeof(TGpsFix));
    m_room = m_memory.Committed() / sizeof(TGpsFix);
}
