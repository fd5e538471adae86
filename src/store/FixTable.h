#pragma once

#include "store/GpsFix.h"
#include "system/LargeBuffer.h"

#include <cstddef>
#include <cstdint>
#include <span>

// The fixes of one log in the order the decoders met them (table order, the logger's own order):
// the first Count() entries of one block of memory. The table keeps every fix it is given. The
// decoders reserve room for the most fixes an image can give before they fill it, so the entries
// never move during a load, and the memory is taken only as the entries fill: a 16 MiB log of
// the shortest records reserves 133 MB of address space, and a log of 600 000 fixes uses 29 MB.
class FixTable
{
  public:
    // An empty table with room for `fixes` entries; it grows as fixes come.
    explicit FixTable(std::int32_t fixes = 0);
    FixTable(const FixTable&) = delete;
    FixTable& operator=(const FixTable&) = delete;

    [[nodiscard]] std::int32_t Count() const { return m_count; }
    [[nodiscard]] bool Empty() const { return m_count == 0; }
    // The entries the table holds before it has to move them to grow.
    [[nodiscard]] std::size_t Capacity() const { return m_memory.Size() / sizeof(TGpsFix); }
    // Makes room for `fixes` entries in all, so that the table fills up to there without moving.
    void Reserve(std::size_t fixes);

    // Stores the fix at the end.
    void Append(const TGpsFix& fix)
    {
        *End() = fix;
        Keep();
    }
    // Forgets the fixes; the memory stays for the next ones.
    void Clear() { m_count = 0; }
    // The entry after the last valid one, for a decoder to fill in place; Keep() then counts it.
    [[nodiscard]] TGpsFix* End()
    {
        if (static_cast<std::size_t>(m_count) == m_room)
            MakeRoom();
        return Entries() + m_count;
    }
    // Counts the entry End() gave.
    void Keep() { ++m_count; }

    [[nodiscard]] const TGpsFix& operator[](std::size_t i) const { return Entries()[i]; }
    [[nodiscard]] TGpsFix& operator[](std::size_t i) { return Entries()[i]; }
    [[nodiscard]] std::span<const TGpsFix> Fixes() const
    {
        return {Entries(), static_cast<std::size_t>(m_count)};
    }
    [[nodiscard]] std::span<TGpsFix> Fixes()
    {
        return {Entries(), static_cast<std::size_t>(m_count)};
    }

  private:
    [[nodiscard]] TGpsFix* Entries() const { return static_cast<TGpsFix*>(m_memory.Data()); }
    // Room for one entry more: more of the reservation made usable, or a larger one.
    void MakeRoom();

    LargeBuffer m_memory;
    std::size_t m_room = 0; // entries that may be written
    std::int32_t m_count = 0;
};
