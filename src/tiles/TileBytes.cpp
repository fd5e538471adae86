#include "tiles/TileBytes.h"

#include <cstdint>

namespace {

constexpr std::string_view kPngSignature{"\x89PNG\r\n\x1a\n", 8};
// The IEND chunk: its length (0), its type and its CRC.
constexpr std::string_view kPngEnd{"\0\0\0\0IEND\xae\x42\x60\x82", 12};
constexpr std::string_view kJpegStart{"\xff\xd8\xff", 3};
constexpr std::string_view kJpegEnd{"\xff\xd9", 2};
constexpr std::size_t kRiffHeaderBytes = 8;

std::uint32_t LittleEndian32(std::string_view bytes, std::size_t at)
{
    const auto byte = [&](std::size_t i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i]));
    };
    return byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24;
}

} // namespace

TileFormat SniffTileFormat(std::string_view bytes)
{
    if (bytes.starts_with(kPngSignature)) {
        return TileFormat::Png;
    }
    if (bytes.starts_with(kJpegStart)) {
        return TileFormat::Jpeg;
    }
    if (bytes.size() >= 12 && bytes.starts_with("RIFF") && bytes.substr(8, 4) == "WEBP") {
        return TileFormat::Webp;
    }
    return TileFormat::Unknown;
}

bool IsWholeTileImage(std::string_view bytes)
{
    switch (SniffTileFormat(bytes)) {
    case TileFormat::Png:
        return bytes.size() >= kPngSignature.size() + kPngEnd.size() && bytes.ends_with(kPngEnd);
    case TileFormat::Jpeg:
        return bytes.size() >= kJpegStart.size() + kJpegEnd.size() && bytes.ends_with(kJpegEnd);
    case TileFormat::Webp:
        // The RIFF size counts the bytes after the size field, rounded up to an even count.
        return LittleEndian32(bytes, 4) + kRiffHeaderBytes <= bytes.size();
    case TileFormat::Unknown:
        break;
    }
    return false;
}
