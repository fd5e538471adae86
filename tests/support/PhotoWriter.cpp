#include "support/PhotoWriter.h"

#include "photos/PhotoMeta.h"
#include "support/ChildProcess.h"
#include "support/LogWriter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <random>
#include <sstream>
#include <stdexcept>
#include <vector>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

namespace t2ntest {

namespace {

void PutU16Be(std::string& out, std::size_t v)
{
    out.push_back(static_cast<char>(v >> 8 & 0xFF));
    out.push_back(static_cast<char>(v & 0xFF));
}

void PutU32Be(std::string& out, std::uint32_t v)
{
    PutU16Be(out, v >> 16);
    PutU16Be(out, v & 0xFFFF);
}

// A Huffman table by its code counts per length and its symbols, with the canonical codes.
struct Huffman {
    std::array<std::uint8_t, 16> Counts;
    std::vector<std::uint8_t> Symbols;
    std::array<std::uint16_t, 256> Code{};
    std::array<std::uint8_t, 256> Length{};

    Huffman(std::array<std::uint8_t, 16> counts, std::vector<std::uint8_t> symbols)
        : Counts(counts), Symbols(std::move(symbols))
    {
        std::uint16_t code = 0;
        std::size_t k = 0;
        for (std::uint8_t length = 1; length <= 16; ++length, code <<= 1)
            for (int i = 0; i < Counts[length - 1u]; ++i, ++code, ++k) {
                Code[Symbols[k]] = code;
                Length[Symbols[k]] = length;
            }
    }

    void PutSegment(std::string& out, std::uint8_t classAndId) const
    {
        out += "\xFF\xC4";
        PutU16Be(out, 2 + 1 + 16 + Symbols.size());
        out.push_back(static_cast<char>(classAndId));
        out.append(Counts.begin(), Counts.end());
        out.append(Symbols.begin(), Symbols.end());
    }
};

// The luminance DC table of the JPEG standard's annex K; AC: end of block and (run 0, size 4).
const Huffman kDc({0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0},
                  {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11});
const Huffman kAc({0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {0x00, 0x04});

class BitWriter
{
  public:
    explicit BitWriter(std::string& out) : m_out(out) {}
    void Put(std::uint32_t bits, int count)
    {
        for (int i = count - 1; i >= 0; --i) {
            m_byte = static_cast<std::uint8_t>(m_byte << 1 | (bits >> i & 1));
            if (++m_filled == 8)
                Flush();
        }
    }
    // Pads the last byte with one-bits.
    void Finish()
    {
        while (m_filled != 0)
            Put(1, 1);
    }

  private:
    void Flush()
    {
        m_out.push_back(static_cast<char>(m_byte));
        if (m_byte == 0xFF)
            m_out.push_back('\0'); // stuffed
        m_byte = 0;
        m_filled = 0;
    }
    std::string& m_out;
    std::uint8_t m_byte = 0;
    int m_filled = 0;
};

// A coefficient as its size category and the bits that follow its code.
void PutValue(BitWriter& bits, const Huffman& table, int value)
{
    int magnitude = value < 0 ? -value : value;
    int size = 0;
    while (magnitude >> size)
        ++size;
    const auto symbol = static_cast<std::uint8_t>(size);
    bits.Put(table.Code[symbol], table.Length[symbol]);
    if (size > 0)
        bits.Put(static_cast<std::uint32_t>(value < 0 ? value + (1 << size) - 1 : value), size);
}

} // namespace

std::string MakeJpeg(int widthBlocks, int heightBlocks, bool noisy, std::uint32_t seed)
{
    std::string out = "\xFF\xD8";
    out += "\xFF\xDB"; // one quantisation table of ones
    PutU16Be(out, 67);
    out.push_back('\0');
    out.append(64, '\x01');
    out += "\xFF\xC0"; // baseline, 8 bits, one component
    PutU16Be(out, 11);
    out.push_back('\x08');
    PutU16Be(out, static_cast<std::size_t>(heightBlocks) * 8);
    PutU16Be(out, static_cast<std::size_t>(widthBlocks) * 8);
    out += std::string("\x01\x01\x11\x00", 4);
    kDc.PutSegment(out, 0x00);
    kAc.PutSegment(out, 0x10);
    out += "\xFF\xDA";
    PutU16Be(out, 8);
    out += std::string("\x01\x01\x00\x00\x3F\x00", 6);
    BitWriter bits(out);
    std::mt19937 random(seed);
    int previousDc = 0;
    for (int y = 0; y < heightBlocks; ++y)
        for (int x = 0; x < widthBlocks; ++x) {
            // A diagonal gradient of block means from dark to light.
            const int mean = 32 + 192 * (x + y) / (widthBlocks + heightBlocks);
            const int dc = (mean - 128) * 8;
            PutValue(bits, kDc, dc - previousDc);
            previousDc = dc;
            for (int k = 1; noisy && k < 64; ++k) {
                const int magnitude = 8 + static_cast<int>(random() % 8);
                PutValue(bits, kAc, random() % 2 != 0 ? magnitude : -magnitude);
            }
            if (!noisy)
                bits.Put(kAc.Code[0], kAc.Length[0]); // end of block
        }
    bits.Finish();
    out += "\xFF\xD9";
    return out;
}

std::string MakeLargeJpeg(std::size_t bytes, std::uint32_t seed)
{
    constexpr std::size_t kNoisyBlockBytes = 48; // of a noisy block, a little less on average
    constexpr int kWidthBlocks = 256;
    const auto rows = static_cast<int>(bytes / kNoisyBlockBytes / kWidthBlocks + 1);
    return MakeJpeg(kWidthBlocks, rows, true, seed);
}

namespace {

std::uint32_t Crc32(const std::string& bytes)
{
    std::uint32_t crc = 0xFFFFFFFF;
    for (const char c : bytes) {
        crc ^= static_cast<std::uint8_t>(c);
        for (int i = 0; i < 8; ++i)
            crc = crc & 1 ? 0xEDB88320 ^ (crc >> 1) : crc >> 1;
    }
    return ~crc;
}

std::uint32_t Adler32(const std::string& bytes)
{
    std::uint32_t a = 1, b = 0;
    for (const char c : bytes) {
        a = (a + static_cast<std::uint8_t>(c)) % 65521;
        b = (b + a) % 65521;
    }
    return b << 16 | a;
}

void PutChunk(std::string& out, const char* type, const std::string& data)
{
    PutU32Be(out, static_cast<std::uint32_t>(data.size()));
    const std::string typed = type + data;
    out += typed;
    PutU32Be(out, Crc32(typed));
}

} // namespace

std::string MakePng(int width, int height)
{
    std::string rows;
    for (int y = 0; y < height; ++y) {
        rows.push_back('\0'); // no filter
        for (int x = 0; x < width; ++x)
            rows.push_back(static_cast<char>(255 * (x + y) / (width + height)));
    }
    if (rows.size() > 65535)
        throw std::invalid_argument("MakePng: one stored block at most");
    std::string zlib = "\x78\x01\x01"; // stored, final block
    zlib.push_back(static_cast<char>(rows.size() & 0xFF));
    zlib.push_back(static_cast<char>(rows.size() >> 8));
    zlib.push_back(static_cast<char>(~rows.size() & 0xFF));
    zlib.push_back(static_cast<char>(~rows.size() >> 8 & 0xFF));
    zlib += rows;
    PutU32Be(zlib, Adler32(rows));
    std::string header;
    PutU32Be(header, static_cast<std::uint32_t>(width));
    PutU32Be(header, static_cast<std::uint32_t>(height));
    header += std::string("\x08\x00\x00\x00\x00", 5); // 8-bit grey, no interlace
    std::string out = "\x89PNG\r\n\x1a\n";
    PutChunk(out, "IHDR", header);
    PutChunk(out, "IDAT", zlib);
    PutChunk(out, "IEND", "");
    return out;
}

std::string MadeImageData(const std::string& made)
{
    const std::size_t scan = made.find("\xFF\xDA");
    if (made.rfind("\xFF\xD8", 0) == 0 && scan != std::string::npos)
        return made.substr(scan);
    const std::size_t idat = made.find("IDAT");
    const std::size_t end = made.find("IEND");
    if (idat == std::string::npos || end == std::string::npos)
        throw std::invalid_argument("MadeImageData: not a photo of MakeJpeg or MakePng");
    return made.substr(idat - 4, end - 4 - (idat - 4));
}

namespace {

// A profile header (size, "acsp") and one tag, a copyright text: 156 bytes that ICC readers take.
std::string IccProfile()
{
    std::string icc(128, '\0');
    icc.replace(36, 4, "acsp");
    icc.replace(12, 4, "mntr");
    icc.replace(16, 4, "GRAY");
    icc.replace(20, 4, "XYZ ");
    PutU32Be(icc, 1);
    icc += "cprt";
    PutU32Be(icc, 144);
    PutU32Be(icc, 12);
    icc += std::string("text\0\0\0\0T2N\0", 12);
    icc.push_back('\0');
    const std::string size = [&] {
        std::string s;
        PutU32Be(s, static_cast<std::uint32_t>(icc.size()));
        return s;
    }();
    icc.replace(0, 4, size);
    return icc;
}

std::string Rational(double magnitude, int denominator)
{
    return std::to_string(std::llround(magnitude * denominator)) + "/" +
           std::to_string(denominator);
}

void PutPosition(Exiv2::ExifData& exif, double latDeg, double lonDeg)
{
    Exiv2::URationalValue lat, lon;
    lat.read(Rational(latDeg < 0 ? -latDeg : latDeg, 10000000) + " 0/1 0/1");
    lon.read(Rational(lonDeg < 0 ? -lonDeg : lonDeg, 10000000) + " 0/1 0/1");
    exif["Exif.GPSInfo.GPSLatitudeRef"] = latDeg < 0 ? "S" : "N";
    exif.add(Exiv2::ExifKey("Exif.GPSInfo.GPSLatitude"), &lat);
    exif["Exif.GPSInfo.GPSLongitudeRef"] = lonDeg < 0 ? "W" : "E";
    exif.add(Exiv2::ExifKey("Exif.GPSInfo.GPSLongitude"), &lon);
}

} // namespace

std::string WithCameraTags(const std::string& photo, const CameraTags& tags)
{
    Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(
        reinterpret_cast<const Exiv2::byte*>(photo.data()), static_cast<long>(photo.size()));
    image->readMetadata();
    Exiv2::ExifData& exif = image->exifData();
    exif["Exif.Image.Make"] = tags.MakerNote ? "Canon" : "T2N";
    exif["Exif.Image.Model"] = tags.MakerNote ? "Canon EOS 5D" : "Test camera";
    if (!tags.DateTimeOriginal.empty())
        exif["Exif.Photo.DateTimeOriginal"] = tags.DateTimeOriginal;
    if (!tags.SubSec.empty())
        exif["Exif.Photo.SubSecTimeOriginal"] = tags.SubSec;
    if (!tags.Offset.empty())
        exif["Exif.Photo.OffsetTimeOriginal"] = tags.Offset;
    if (tags.MakerNote) {
        exif["Exif.Canon.OwnerName"] = "Tallo Tester";
        exif["Exif.Canon.FirmwareVersion"] = "Firmware Version 1.1.1";
    }
    if (tags.LatDeg)
        PutPosition(exif, *tags.LatDeg, tags.LonDeg);
    if (tags.Thumbnail) {
        std::string thumbnail = MakeJpeg(2, 2);
        const auto missing = [&] {
            return tags.ThumbnailBytes > thumbnail.size() ? tags.ThumbnailBytes - thumbnail.size()
                                                          : 0;
        };
        for (constexpr std::size_t kSegment = 4; missing() > kSegment;) {
            const std::size_t filler = std::min<std::size_t>(missing() - kSegment, 60000);
            std::string comment = "\xFF\xFE";
            PutU16Be(comment, filler + 2);
            thumbnail.insert(2, comment + std::string(filler, 'T'));
        }
        thumbnail.append(missing(), '\0'); // after its end
        Exiv2::ExifThumb(exif).setJpegThumbnail(
            reinterpret_cast<const Exiv2::byte*>(thumbnail.data()),
            static_cast<long>(thumbnail.size()));
    }
    if (tags.Icc) {
        const std::string icc = IccProfile();
        Exiv2::DataBuf buffer(reinterpret_cast<const Exiv2::byte*>(icc.data()),
                              static_cast<long>(icc.size()));
        image->setIccProfile(buffer, true);
    }
    image->writeMetadata();
    Exiv2::BasicIo& io = image->io();
    std::string out(reinterpret_cast<const char*>(io.mmap()), io.size());
    io.munmap();
    return out;
}

namespace {

// The segments of a JPEG before its first scan, each whole (marker and length included).
std::vector<std::string> JpegSegments(const std::string& jpeg, std::size_t& scan)
{
    std::vector<std::string> segments;
    std::size_t at = 2;
    while (at + 4 <= jpeg.size() && static_cast<std::uint8_t>(jpeg[at + 1]) != 0xDA) {
        const std::size_t length =
            static_cast<std::uint8_t>(jpeg[at + 2]) << 8 | static_cast<std::uint8_t>(jpeg[at + 3]);
        segments.push_back(jpeg.substr(at, 2 + length));
        at += 2 + length;
    }
    scan = at;
    return segments;
}

std::string Segment(const char* marker, const std::string& payload)
{
    std::string segment = marker;
    PutU16Be(segment, payload.size() + 2);
    return segment + payload;
}

bool IsExifSegment(const std::string& segment)
{
    return segment.compare(0, 2, "\xFF\xE1") == 0 && segment.compare(4, 6, "Exif\0\0", 6) == 0;
}

} // namespace

std::string WithJpegComment(const std::string& jpeg, const std::string& comment)
{
    std::size_t scan = 0;
    const std::vector<std::string> segments = JpegSegments(jpeg, scan);
    std::string out = jpeg.substr(0, 2);
    for (const std::string& segment : segments)
        out += segment;
    return out + Segment("\xFF\xFE", comment) + jpeg.substr(scan);
}

std::string WithExifSplit(const std::string& jpeg, std::size_t firstBytes)
{
    std::size_t scan = 0;
    std::string out = jpeg.substr(0, 2);
    for (const std::string& segment : JpegSegments(jpeg, scan)) {
        if (!IsExifSegment(segment)) {
            out += segment;
            continue;
        }
        const std::string block = segment.substr(10);
        const std::string exif("Exif\0\0", 6);
        out += Segment("\xFF\xE1", exif + block.substr(0, firstBytes));
        out += Segment("\xFF\xE1", exif + block.substr(firstBytes));
    }
    return out + jpeg.substr(scan);
}

std::string JpegExifSegmentOf(const std::string& jpeg)
{
    std::size_t scan = 0;
    for (const std::string& segment : JpegSegments(jpeg, scan))
        if (IsExifSegment(segment))
            return segment;
    return {};
}

std::string PngWithExifChunk(const std::string& png, const CameraTags& tags)
{
    const std::string tagged = WithCameraTags(MakeJpeg(2, 2), tags);
    const std::string block = JpegExifSegmentOf(tagged).substr(10);
    const std::size_t idat = png.find("IDAT") - 4;
    std::string chunk;
    PutChunk(chunk, "eXIf", block);
    return png.substr(0, idat) + chunk + png.substr(idat);
}

namespace {

// Runs exiftool with the arguments and returns its standard output; nothing when it fails. The
// Windows programs run none: the one installed belongs to the machine that builds them.
std::optional<std::string> Exiftool(const std::vector<std::string>& arguments)
{
#ifdef _WIN32
    (void)arguments;
    return std::nullopt;
#else
    const ChildOptions quiet = {.Out = {}, .Err = {}};
    static const bool installed = RunProgram("exiftool", {"-ver"}, quiet).Status == 0;
    if (!installed)
        return std::nullopt;
    const ProgramResult r = RunProgram("exiftool", arguments, {.Err = {}});
    return r.Status == 0 ? std::optional(r.Out) : std::nullopt;
#endif
}

} // namespace

std::optional<std::vector<std::string>> ExiftoolValues(const std::string& file,
                                                       const std::vector<std::string>& tags)
{
    std::vector<std::string> arguments = {"-n", "-T"};
    for (const std::string& tag : tags)
        arguments.push_back("-" + tag);
    arguments.push_back(file);
    const std::optional<std::string> out = Exiftool(arguments);
    if (!out)
        return std::nullopt;
    std::vector<std::string> values;
    std::istringstream line(out->substr(0, out->find('\n')));
    for (std::string value; std::getline(line, value, '\t');)
        values.push_back(value);
    return values;
}

std::optional<std::string> ExiftoolBinary(const std::string& file, const std::string& tag)
{
    return Exiftool({"-b", "-" + tag, file});
}

std::optional<std::pair<double, double>> Exiv2Position(const std::string& file)
{
    const std::string bytes = ReadWholeFile(file);
    Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(
        reinterpret_cast<const Exiv2::byte*>(bytes.data()), static_cast<long>(bytes.size()));
    image->readMetadata();
    const Exiv2::ExifData& exif = image->exifData();
    const auto degrees = [&](const char* key, const char* refKey, char negative) {
        const auto found = exif.findKey(Exiv2::ExifKey(key));
        const auto ref = exif.findKey(Exiv2::ExifKey(refKey));
        if (found == exif.end() || ref == exif.end() || found->count() != 3)
            return std::optional<double>();
        double value = 0;
        for (long i = 0; i < 3; ++i)
            value += found->toFloat(i) / std::pow(60.0, static_cast<double>(i));
        return std::optional(ref->toString() == std::string(1, negative) ? -value : value);
    };
    const auto lat = degrees("Exif.GPSInfo.GPSLatitude", "Exif.GPSInfo.GPSLatitudeRef", 'S');
    const auto lon = degrees("Exif.GPSInfo.GPSLongitude", "Exif.GPSInfo.GPSLongitudeRef", 'W');
    if (!lat || !lon)
        return std::nullopt;
    return std::pair{*lat, *lon};
}

std::optional<std::string> PhotoWithGps(std::string_view photo, const GpsTags& tags)
{
    std::string bytes;
    const PhotoWrite written = WritePhotoWithGps(photo, tags, [&bytes](std::string_view made) {
        bytes.append(made);
        return true;
    });
    return written == PhotoWrite::Written ? std::optional(std::move(bytes)) : std::nullopt;
}

} // namespace t2ntest

#pragma GCC diagnostic pop
