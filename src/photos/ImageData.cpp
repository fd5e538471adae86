#include "photos/ImageData.h"

#include <algorithm>
#include <array>
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

namespace {

constexpr std::string_view kExifHeader("Exif\0\0", 6);
constexpr std::string_view kXmpNamespace("http://ns.adobe.com/xap/1.0/\0", 29);
constexpr std::uint8_t kApp0 = 0xE0;
constexpr std::uint8_t kApp1 = 0xE1;

// Every part of a photo in order, each whole: a JPEG's segments from SOI to the first scan, a
// PNG's chunks from IHDR to IEND (IDAT too); with where the parts start and where the rest (a
// JPEG's scans) starts. False when the structure is broken.
struct Parts {
    std::vector<std::string_view> All;
    std::size_t Start = 0;
    std::size_t Rest = 0;
};

std::optional<Parts> JpegParts(std::string_view bytes)
{
    Parts parts{{}, 2, 0};
    const std::optional<std::size_t> scan = ScanStart(bytes);
    if (!scan)
        return std::nullopt;
    for (std::size_t at = 2; at < *scan;) {
        const auto marker = static_cast<std::uint8_t>(bytes[at + 1]);
        std::size_t size = 2;
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        if (marker != 0x01 && (marker < 0xD0 || marker > 0xD8))
            size += BigEndian(bytes, at + 2, 2);
        parts.All.push_back(bytes.substr(at, size));
        at += size;
    }
    parts.Rest = *scan;
    return parts;
}

std::optional<Parts> PngParts(std::string_view bytes)
{
    Parts parts{{}, kPngSignature.size(), 0};
    std::size_t at = kPngSignature.size();
    while (at + 12 <= bytes.size()) {
        const std::uint32_t length = BigEndian(bytes, at, 4);
        if (length > bytes.size() - at - 12)
            return std::nullopt;
        const std::size_t chunk = 12 + std::size_t{length};
        parts.All.push_back(bytes.substr(at, chunk));
        at += chunk;
        if (parts.All.back().substr(4, 4) == "IEND") {
            parts.Rest = bytes.size();
            return parts;
        }
    }
    return std::nullopt;
}

std::optional<Parts> PartsOf(std::string_view bytes)
{
    switch (ImageFormatOf(bytes)) {
    case ImageFormat::Jpeg:
        return JpegParts(bytes);
    case ImageFormat::Png:
        return PngParts(bytes);
    case ImageFormat::Unknown:
        break;
    }
    return std::nullopt;
}

bool IsJpegPart(std::string_view part) { return !part.empty() && part[0] == '\xFF'; }

bool IsIdat(std::string_view part) { return !IsJpegPart(part) && part.substr(4, 4) == "IDAT"; }

// A PNG text chunk's keyword: up to its first zero byte.
std::string_view PngKeyword(std::string_view chunk)
{
    const std::string_view data = chunk.substr(8, chunk.size() - 12);
    return data.substr(0, data.find('\0'));
}

PartKind PngKind(std::string_view chunk)
{
    const std::string_view type = chunk.substr(4, 4);
    if (type == "eXIf")
        return PartKind::Exif;
    if (type != "tEXt" && type != "zTXt" && type != "iTXt")
        return PartKind::Other;
    const std::string_view keyword = PngKeyword(chunk);
    if (keyword == "Raw profile type exif" || keyword == "Raw profile type APP1")
        return PartKind::Exif;
    if (keyword == "XML:com.adobe.xmp" || keyword == "Raw profile type xmp")
        return PartKind::Xmp;
    return PartKind::Other;
}

// Where a new part of EXIF or XMP goes when the photo had none: before a JPEG's first segment
// that is not APP0 (JFIF comes first), before a PNG's first IDAT.
bool IsInsertionPoint(std::string_view part)
{
    return IsJpegPart(part) ? static_cast<std::uint8_t>(part[1]) != kApp0 : IsIdat(part);
}

std::string BigEndianBytes(std::uint32_t value, int count)
{
    std::string out;
    for (int shift = (count - 1) * 8; shift >= 0; shift -= 8)
        out.push_back(static_cast<char>(value >> shift & 0xFF));
    return out;
}

std::uint32_t Crc32(std::string_view bytes)
{
    static const auto kTable = [] {
        std::array<std::uint32_t, 256> table{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xEDB88320 ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
        return table;
    }();
    std::uint32_t crc = 0xFFFFFFFF;
    for (const char c : bytes)
        crc = kTable[(crc ^ static_cast<std::uint8_t>(c)) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

} // namespace

PartKind KindOfPart(std::string_view part)
{
    if (!IsJpegPart(part))
        return part.size() >= 12 ? PngKind(part) : PartKind::Other;
    if (part.size() < 4 || static_cast<std::uint8_t>(part[1]) != kApp1)
        return PartKind::Other;
    const std::string_view payload = part.substr(4);
    if (payload.starts_with(kExifHeader))
        return PartKind::Exif;
    return payload.starts_with(kXmpNamespace) ? PartKind::Xmp : PartKind::Other;
}

std::optional<std::vector<std::string_view>> MetadataPartsOf(std::string_view bytes)
{
    std::optional<Parts> parts = PartsOf(bytes);
    if (!parts)
        return std::nullopt;
    std::erase_if(parts->All, IsIdat);
    return std::move(parts->All);
}

int CountParts(std::string_view bytes, PartKind kind)
{
    const auto parts = MetadataPartsOf(bytes);
    if (!parts)
        return -1;
    return static_cast<int>(std::count_if(parts->begin(), parts->end(),
                                          [kind](auto part) { return KindOfPart(part) == kind; }));
}

std::optional<std::vector<std::string_view>> KeptPartsOf(std::string_view bytes)
{
    std::optional<std::vector<std::string_view>> parts = MetadataPartsOf(bytes);
    if (parts)
        std::erase_if(*parts, [](auto part) { return KindOfPart(part) != PartKind::Other; });
    return parts;
}

std::string JpegExifSegment(std::string_view tiff)
{
    const auto length = static_cast<std::uint32_t>(2 + kExifHeader.size() + tiff.size());
    std::string out = "\xFF\xE1" + BigEndianBytes(length, 2);
    out += kExifHeader;
    out += tiff;
    return out;
}

std::string PngChunk(std::string_view type, std::string_view data)
{
    std::string typed(type);
    typed += data;
    return BigEndianBytes(static_cast<std::uint32_t>(data.size()), 4) + typed +
           BigEndianBytes(Crc32(typed), 4);
}

std::optional<SplicedPhoto> SplicePhoto(std::string_view original, std::string_view exif,
                                        std::string_view xmp)
{
    const std::optional<Parts> parts = PartsOf(original);
    if (!parts)
        return std::nullopt;
    SplicedPhoto out{std::string(original.substr(0, parts->Start)), original.substr(parts->Rest)};
    const auto had = [&](PartKind kind) {
        return std::any_of(parts->All.begin(), parts->All.end(),
                           [kind](auto part) { return KindOfPart(part) == kind; });
    };
    const bool hadExif = had(PartKind::Exif), hadXmp = had(PartKind::Xmp);
    bool exifDone = false, xmpDone = false;
    for (const std::string_view part : parts->All) {
        const PartKind kind = KindOfPart(part);
        const bool insertHere = IsInsertionPoint(part);
        if (!exifDone && (kind == PartKind::Exif || (!hadExif && insertHere))) {
            out.Head += exif;
            exifDone = true;
        }
        if (!xmpDone && (kind == PartKind::Xmp || (!hadXmp && exifDone && insertHere))) {
            out.Head += xmp;
            xmpDone = true;
        }
        if (kind == PartKind::Other)
            out.Head += part;
    }
    if (!exifDone || !xmpDone)
        return std::nullopt;
    return out;
}
