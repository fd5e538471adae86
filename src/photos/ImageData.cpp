#include "photos/ImageData.h"

#include <cstdint>

namespace {

constexpr std::string_view kPngSignature = "\x89PNG\r\n\x1a\n";

std::uint32_t BigEndian(std::string_view bytes, std::size_t at, std::size_t count)
{
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < count; ++i)
        v = v << 8 | static_cast<std::uint8_t>(bytes[at + i]);
    return v;
}

// The offset of the first SOS marker, found by walking the segments from SOI.
std::optional<std::size_t> ScanStart(std::string_view bytes)
{
    constexpr std::uint8_t kSos = 0xDA;
    std::size_t at = 2;
    while (at + 1 < bytes.size()) {
        if (static_cast<std::uint8_t>(bytes[at]) != 0xFF)
            return std::nullopt;
        const auto marker = static_cast<std::uint8_t>(bytes[at + 1]);
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        if (marker == kSos)
            return at;
        // Markers without a length: TEM, RST0-7, SOI; EOI before a scan is a broken file.
        if (marker == 0xD9)
            return std::nullopt;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {
            at += 2;
            continue;
        }
        if (at + 4 > bytes.size())
            return std::nullopt;
        const std::uint32_t length = BigEndian(bytes, at + 2, 2);
        if (length < 2)
            return std::nullopt;
        at += 2 + length;
    }
    return std::nullopt;
}

std::optional<std::vector<std::string_view>> PngImageData(std::string_view bytes)
{
    std::vector<std::string_view> data;
    std::size_t at = kPngSignature.size();
    while (at + 12 <= bytes.size()) {
        const std::uint32_t length = BigEndian(bytes, at, 4);
        if (length > bytes.size() - at - 12)
            return std::nullopt;
        const std::string_view type = bytes.substr(at + 4, 4);
        const std::size_t chunk = 12 + std::size_t{length};
        if (type == "IDAT")
            data.push_back(bytes.substr(at, chunk));
        if (type == "IEND")
            return data.empty() ? std::nullopt : std::optional(data);
        at += chunk;
    }
    return std::nullopt;
}

} // namespace

std::optional<std::size_t> JpegScanStart(std::string_view bytes)
{
    return ImageFormatOf(bytes) == ImageFormat::Jpeg ? ScanStart(bytes) : std::nullopt;
}

ImageFormat ImageFormatOf(std::string_view bytes)
{
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xFF\xD8\xFF")
        return ImageFormat::Jpeg;
    if (bytes.substr(0, kPngSignature.size()) == kPngSignature)
        return ImageFormat::Png;
    return ImageFormat::Unknown;
}

std::optional<std::vector<std::string_view>> ImageDataOf(std::string_view bytes)
{
    switch (ImageFormatOf(bytes)) {
    case ImageFormat::Jpeg:
        if (const std::optional<std::size_t> scan = ScanStart(bytes))
            return std::vector{bytes.substr(*scan)};
        return std::nullopt;
    case ImageFormat::Png:
        return PngImageData(bytes);
    case ImageFormat::Unknown:
        break;
    }
    return std::nullopt;
}

bool SameImageData(std::string_view original, std::string_view written)
{
    const auto before = ImageDataOf(original);
    const auto after = ImageDataOf(written);
    return before && after && *before == *after;
}
