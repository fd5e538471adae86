#include "support/TilePictures.h"

#include <array>

namespace {

// The PNG CRC-32 (ISO 3309, reflected 0xEDB88320) over a chunk's type and data.
std::uint32_t Crc32(const std::string& bytes)
{
    std::uint32_t crc = 0xffffffffU;
    for (const char c : bytes) {
        crc ^= static_cast<unsigned char>(c);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xedb88320U & (0U - (crc & 1U)));
        }
    }
    return crc ^ 0xffffffffU;
}

void PutBigEndian32(std::string& out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8) {
        out += static_cast<char>((value >> shift) & 0xffU);
    }
}

void PutChunk(std::string& png, const char* type, const std::string& data)
{
    PutBigEndian32(png, static_cast<std::uint32_t>(data.size()));
    const std::string typed = std::string(type, 4) + data;
    png += typed;
    PutBigEndian32(png, Crc32(typed));
}

// A zlib stream of stored (uncompressed) deflate blocks.
std::string StoredZlib(const std::string& raw)
{
    std::string out("\x78\x01", 2);
    constexpr std::size_t kBlock = 65535;
    std::size_t at = 0;
    do {
        const std::size_t size = std::min(kBlock, raw.size() - at);
        const bool last = at + size == raw.size();
        out += static_cast<char>(last ? 1 : 0);
        out += static_cast<char>(size & 0xffU);
        out += static_cast<char>(size >> 8);
        out += static_cast<char>(~size & 0xffU);
        out += static_cast<char>((~size >> 8) & 0xffU);
        out.append(raw, at, size);
        at += size;
    } while (at < raw.size());
    std::uint32_t a = 1;
    std::uint32_t b = 0;
    for (const char c : raw) {
        a = (a + static_cast<unsigned char>(c)) % 65521U;
        b = (b + a) % 65521U;
    }
    PutBigEndian32(out, b << 16 | a);
    return out;
}

} // namespace

Rgb TileColour(int z, int x, int y)
{
    return Rgb{static_cast<std::uint8_t>(z * 8 + 3), static_cast<std::uint8_t>(x & 0xff),
               static_cast<std::uint8_t>(y & 0xff)};
}

std::string SolidPng(Rgb colour, int pixels)
{
    const auto side = static_cast<std::uint32_t>(pixels);
    std::string header;
    PutBigEndian32(header, side);
    PutBigEndian32(header, side);
    header +=
        std::string("\x08\x02\x00\x00\x00", 5); // 8 bits, RGB, deflate, no filter, no interlace
    std::string row(1, '\0');                   // filter type none
    for (std::uint32_t i = 0; i < side; ++i) {
        row += static_cast<char>(colour.R);
        row += static_cast<char>(colour.G);
        row += static_cast<char>(colour.B);
    }
    std::string raw;
    raw.reserve(row.size() * side);
    for (std::uint32_t i = 0; i < side; ++i) {
        raw += row;
    }
    std::string png("\x89PNG\r\n\x1a\n", 8);
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", StoredZlib(raw));
    PutChunk(png, "IEND", {});
    return png;
}
