#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The part of a photo that holds the picture itself, which tagging must leave byte for byte.

enum class ImageFormat {
    Unknown,
    Jpeg,
    Png,
};

// The format by the file's signature.
[[nodiscard]] ImageFormat ImageFormatOf(std::string_view bytes);

// Where a JPEG's first start-of-scan marker is, found by walking its segments; nothing for
// another format or a broken JPEG.
[[nodiscard]] std::optional<std::size_t> JpegScanStart(std::string_view bytes);

// The picture's bytes, as pieces of `bytes`: for a JPEG everything from the first start-of-scan
// marker to the end of the file; for a PNG every IDAT chunk (length, type, data and CRC) in
// order. Nothing when the structure before them is broken or they are missing.
[[nodiscard]] std::optional<std::vector<std::string_view>> ImageDataOf(std::string_view bytes);

// True when both photos have image data and it is the same, piece by piece.
[[nodiscard]] bool SameImageData(std::string_view original, std::string_view written);

// The parts of a photo's metadata that tagging replaces as a whole: a JPEG's APP1 segment of
// EXIF ("Exif\0\0" and a TIFF block) and APP1 segment of XMP; a PNG's eXIf chunk, its legacy
// text chunk "Raw profile type exif" (hex digits of the same block) and its iTXt chunk of XMP.
// Every other segment or chunk before the image data is kept byte for byte.

using PartList = std::vector<std::string_view>;

// The segments (JPEG, from SOI to the first scan) or chunks (PNG, every one but IDAT), each
// whole with its marker or length, type and CRC; nothing for another format or a broken file.
[[nodiscard]] std::optional<PartList> MetadataPartsOf(std::string_view bytes);

// What a photo's parts hold.
enum class PartKind {
    Other, // kept as it is
    Exif,
    Xmp,
};
[[nodiscard]] PartKind KindOfPart(std::string_view part);

// How many parts of the kind a photo has; -1 when it cannot be read.
[[nodiscard]] int CountParts(std::string_view bytes, PartKind kind);

// The parts of the other kind, in order: what tagging must leave as it was.
[[nodiscard]] std::optional<PartList> KeptPartsOf(std::string_view bytes);

// The largest EXIF block (the TIFF header on) one JPEG APP1 segment holds.
constexpr std::size_t kMaxJpegExifBytes = 65535 - 2 - 6;

// The JPEG APP1 segment or PNG eXIf chunk of an EXIF block (the TIFF header on).
[[nodiscard]] std::string JpegExifSegment(std::string_view tiff);
[[nodiscard]] std::string PngChunk(std::string_view type, std::string_view data);

// A tagged photo: `Head` written first, then `Tail`, a piece of the original (a JPEG's scans, which
// are not copied in memory).
struct SplicedPhoto {
    std::string Head;
    std::string_view Tail;
};

// The original photo with its EXIF and XMP in place of the original's: `exif` and `xmp` are
// whole parts of the photo's format (`xmp` empty: none). The EXIF goes where the original had
// it, else after a JPEG's APP0 segments or before a PNG's first IDAT; the XMP likewise, else
// after the EXIF. Every other part stays as it was. Nothing when the original cannot be read.
[[nodiscard]] std::optional<SplicedPhoto> SplicePhoto(std::string_view original,
                                                      std::string_view exif, std::string_view xmp);
