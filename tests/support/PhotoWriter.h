#pragma once

// Builds photos for the tests: small baseline JPEGs and PNGs encoded here, and the camera's
// metadata (the clock tags, a maker note, a thumbnail, an ICC profile, a position) written into
// them by Exiv2, as a camera or a photo manager would.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
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
    std::string DateTimeOriginal; // "YYYY:MM:DD hh:mm:ss"; empty: none
    std::string SubSec;           // SubSecTimeOriginal; empty: none
    std::string Offset;           // OffsetTimeOriginal; empty: none
    bool MakerNote = false;       // a Canon maker note with an owner and a firmware name
    bool Thumbnail = false;       // a JPEG thumbnail in IFD1
    bool Icc = false;             // a small ICC profile
    std::optional<double> LatDeg; // a position already there (with LonDeg)
    double LonDeg = 0;
};

// The photo with the tags written by Exiv2.
std::string WithCameraTags(const std::string& photo, const CameraTags& tags);

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

} // namespace t2ntest
