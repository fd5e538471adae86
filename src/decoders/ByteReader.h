#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

// Little-endian reader over a bounded byte range. A read past the end yields 0 and clears Ok()
// for good, so callers check once per record.
class ByteReader
{
  public:
    ByteReader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    [[nodiscard]] bool Ok() const { return m_ok; }
    [[nodiscard]] std::size_t Position() const { return m_pos; }

    void Skip(std::size_t n)
    {
        if (Need(n))
            m_pos += n;
    }

    std::uint8_t U8()
    {
        if (!Need(1))
            return 0;
        return m_data[m_pos++];
    }

    std::uint16_t U16()
    {
        if (!Need(2))
            return 0;
        const std::uint8_t* p = m_data + m_pos;
        m_pos += 2;
        return static_cast<std::uint16_t>(p[0] | p[1] << 8);
    }

    std::uint32_t U24()
    {
        if (!Need(3))
            return 0;
        const std::uint8_t* p = m_data + m_pos;
        m_pos += 3;
        return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16;
    }

    std::uint32_t U32()
    {
        if (!Need(4))
            return 0;
        const std::uint8_t* p = m_data + m_pos;
        m_pos += 4;
        return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
               std::uint32_t{p[3]} << 24;
    }

    std::uint64_t U64()
    {
        const std::uint64_t lo = U32();
        const std::uint64_t hi = U32();
        return lo | hi << 32;
    }

    std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
    float F32() { return std::bit_cast<float>(U32()); }
    double F64() { return std::bit_cast<double>(U64()); }

  private:
    bool Need(std::size_t n)
    {
        if (m_ok && n <= m_size - m_pos)
            return true;
        m_ok = false;
        return false;
    }

    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
    bool m_ok = true;
};

// Unchecked little-endian loads for callers that have already proved the bytes are there.
inline std::uint32_t LoadU32(const std::uint8_t* p)
{
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}
