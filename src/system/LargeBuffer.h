#pragma once

#include <cstddef>

// Zero-filled memory for the fix table and the raw image: megabytes that a conversion touches
// once each. Where the system offers huge pages they are asked for, so the first touch costs one
// fault per 2 MiB instead of one per 4 KiB page.
//
// A buffer may be reserved larger than it will be used: its address space is taken at once, its
// memory only as it is used. Linux gives a mapped page its memory at the first touch; Windows
// needs the pages committed first, which Commit() does in steps of a few megabytes.
class LargeBuffer
{
  public:
    LargeBuffer() = default;
    // `bytes` of zero-filled memory, all usable.
    explicit LargeBuffer(std::size_t bytes);
    // Address space for `bytes` of zero-filled memory, of which Commit() makes a part usable.
    [[nodiscard]] static LargeBuffer Reserve(std::size_t bytes);
    ~LargeBuffer();
    LargeBuffer(LargeBuffer&& other) noexcept;
    LargeBuffer& operator=(LargeBuffer&& other) noexcept;
    LargeBuffer(const LargeBuffer&) = delete;
    LargeBuffer& operator=(const LargeBuffer&) = delete;

    [[nodiscard]] void* Data() const { return m_data; }
    [[nodiscard]] std::size_t Size() const { return m_size; }
    // The first Committed() bytes may be used.
    [[nodiscard]] std::size_t Committed() const { return m_committed; }
    // Makes at least the first `bytes` (at most Size()) usable; throws std::bad_alloc when the
    // system has no memory for them.
    void Commit(std::size_t bytes);

  private:
    void Swap(LargeBuffer& other) noexcept;
    void Release() noexcept;

    void* m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_committed = 0;
    std::size_t m_pages = 0; // bytes mapped or reserved as pages; 0 when they came from calloc
};
