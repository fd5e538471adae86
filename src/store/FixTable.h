#pragma once

#include "store/GpsFix.h"
#include "store/LargeBuffer.h"

#include <cstddef>
#include <cstdint>
#include <span>

// The most fixes a table of the converter holds.
constexpr std::int32_t FixCapacity = 480000;

// The fixes of one log in the order the decoders met them (table order, the logger's own order):
// a fixed number of zero-filled entries allocated once, of which the first Count() are valid.
class FixTable
{
  public:
    explicit FixTable(std::int32_t capacity = FixCapacity);
    FixTable(const FixTable&) = delete;
    FixTable& operator=(const FixTable&) = delete;

    [[nodiscard]] std::int32_t Count() const { return m_count; }
    [[nodiscard]] std::int32_t Capacity() const { return m_capacity; }
    [[nodiscard]] bool Full() const { return m_count >= m_capacity; }
    [[nodiscard]] bool Empty() const { return m_count == 0; }

    // Stores the fix at the end; false (and nothing stored) when the table is full.
    bool Append(const TGpsFix& fix)
    {
        if (Full())
            return false;
        m_entries[static_cast<std::size_t>(m_count++)] = fix;
        return true;
    }
    void Clear() { m_count = 0; }
    // The entry after the last valid one, for a decoder to fill in place; Keep() then counts it.
    // Only while the table is not full.
    [[nodiscard]] TGpsFix* End() { return m_entries + m_count; }
    void Keep() { ++m_count; }

    [[nodiscard]] const TGpsFix& operator[](std::size_t i) const { return m_entries[i]; }
    [[nodiscard]] TGpsFix& operator[](std::size_t i) { return m_entries[i]; }
    [[nodiscard]] std::span<const TGpsFix> Fixes() const
    {
        return {m_entries, static_cast<std::size_t>(m_count)};
    }
    [[nodiscard]] std::span<TGpsFix> Fixes()
    {
        return {m_entries, static_cast<std::size_t>(m_count)};
    }

  private:
    LargeBuffer m_memory;
    TGpsFix* m_entries;
    std::int32_t m_capacity;
    std::int32_t m_count = 0;
};
