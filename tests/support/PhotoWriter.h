#pragma once

// Builds photos for the tests: small baseline JPEGs and PNGs encoded here, and the camera's
// metadata (the clock tags, a maker note, a thumbnail, an ICC profile, a position) written into
// them by Exiv2, as a camera or a photo manager would.

#include "photos/GpsTags.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace t2ntest {

// A grey baseline JPEG of widthBlocks x heightBlocks 8x8 blocks: a gradient of flat blocks, or
// with `noisy` 63 coefficients of noise in every block (about 48 bytes a block).
std::string MakeJpeg(int widthBlocks, int heightBlocks, bool noisy = false, std::uint32_t seed = 1);
// A noisy JPEG of at least `bytes` bytes.
std::string MakeLargeJpeg(std::size_t bytes, std::uint32_t seed = 1);
// A grey 8-bit PNG with stored (uncompressed) image data.
std::string MakePng(int width, int height);

struct CameraTags {
    std::string DateTimeOriginal;   // "YYYY:MM:DD hh:mm:ss"; empty: none
    std::string SubSec;             // SubSecTimeOriginal; empty: none
    std::string Offset;             // OffsetTimeOriginal; empty: none
    bool MakerNote = false;         // a Canon maker note with an owner and a firmware name
    bool Thumbnail = false;         // a JPEG thumbnail in IFD1
    std::size_t ThumbnailBytes = 0; // with Thumbnail: padded to this size (comment segments)
    bool Icc = false;               // a small ICC profile
    std::optional<double> LatDeg;   // a position already there (with LonDeg)
    double LonDeg = 0;
};

// The photo with the tags written by Exiv2.
std::string WithCameraTags(const std::string& photo, const CameraTags& tags);

// A JPEG with a comment segment (COM) of exactly these bytes after its other segments.
std::string WithJpegComment(const std::string& jpeg, const std::string& comment);
// A JPEG whose one APP1 segment of EXIF is cut in two after `firstBytes` bytes of its block, each
// piece in an APP1 segment of its own starting "Exif\0\0", as writers lay out a block larger
// than one segment holds.
std::string WithExifSplit(const std::string& jpeg, std::size_t firstBytes);
// A PNG with the EXIF block of these tags (the TIFF header on) in a standard eXIf chunk before
// its image data, as cameras and editors write it.
std::string PngWithExifChunk(const std::string& png, const CameraTags& tags);
// The bytes of a JPEG's first APP1 segment of EXIF, marker and length included; empty for none.
std::string JpegExifSegmentOf(const std::string& jpeg);

// The image data of a photo MakeJpeg or MakePng made, before any metadata: the JPEG's bytes from
// its SOS marker on (its tables hold no 0xFF byte), the PNG's one IDAT chunk. A tagged photo keeps
// them as they are: at its end (JPEG), or somewhere (PNG).
std::string MadeImageData(const std::string& made);

// exiftool's values (-n) of the tags of a file, in order, "-" for a missing one; nothing when
// exiftool is not installed.
std::optional<std::vector<std::string>> ExiftoolValues(const std::string& file,
                                                       const std::vector<std::string>& tags);
// The bytes of one tag (-b), empty when it is missing; nothing when exiftool is not installed.
std::optional<std::string> ExiftoolBinary(const std::string& file, const std::string& tag);

// The position in a photo's GPS tags as Exiv2 reads them, for systems without exiftool.
std::optional<std::pair<double, double>> Exiv2Position(const std::string& file);

// The copy WritePhotoWithGps hands out, in one piece; nothing when it cannot be written.
std::optional<std::string> PhotoWithGps(std::string_view photo, const GpsTags& tags);

} // namespace t2ntest
