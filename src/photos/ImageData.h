#pragma once

#include <optional>
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
