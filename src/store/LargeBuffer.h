#pragma once

#include <cstddef>

// Zero-filled memory for the fix table and the raw image: megabytes that a conversion touches
// once each. Where the system offers huge pages they are asked for, so the first touch costs one
// fault per 2 MiB instead of one per 4 KiB page.
class LargeBuffer
{
  public:
    explicit LargeBuffer(std::size_t bytes);
    ~LargeBuffer();
    LargeBuffer(const LargeBuffer&) = delete;
    LargeBuffer& operator=(const LargeBuffer&) = delete;

    [[nodiscard]] void* Data() const { return m_data; }
    [[nodiscard]] std::size_t Size() const { return m_size; }

  private:
    void* m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_mapped = 0; // bytes mapped; 0 when the memory came from calloc
};
