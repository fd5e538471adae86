#include "support/LogWriter.h"

#include "system/Paths.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace t2ntest {

namespace {
// Field sizes by mask bit. Bit 13 of a block record (per-satellite entries) is sized apart.
constexpr std::size_t kBlockSizes[20] = {4, 2, 8, 8, 4, 4, 4, 2, 4, 2,
                                         2, 2, 2, 0, 0, 0, 0, 2, 2, 8};
constexpr std::size_t kSectorSizes[22] = {4, 2, 8, 8, 4, 4, 0, 0, 0, 0, 0,
                                          0, 2, 0, 0, 0, 0, 2, 2, 0, 0, 52};

enum class Layout { Block, Sister, SisterSpeedFirst, Sector };

void PutU16(Bytes& out, std::uint16_t v)
{
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void PutU64(Bytes& out, std::uint64_t v)
{
    PutU32(out, static_cast<std::uint32_t>(v));
    PutU32(out, static_cast<std::uint32_t>(v >> 32));
}

// A position: a double, or a float in the sister layout.
void PutPosition(Bytes& out, double degrees, Layout layout)
{
    if (layout == Layout::Block || layout == Layout::Sector)
        PutU64(out, std::bit_cast<std::uint64_t>(degrees));
    else
        PutU32(out, std::bit_cast<std::uint32_t>(static_cast<float>(degrees)));
}

// The height: a float, or in the sister layout its three high-order bytes.
void PutHeight(Bytes& out, float height, Layout layout)
{
    const auto bits = std::bit_cast<std::uint32_t>(height);
    if (layout == Layout::Block || layout == Layout::Sector)
        PutU32(out, bits);
    else
        out.insert(out.end(),
                   {static_cast<std::uint8_t>(bits >> 8), static_cast<std::uint8_t>(bits >> 16),
                    static_cast<std::uint8_t>(bits >> 24)});
}

// The speed: a float of km/h, or for speed-first models a count of cm/s.
void PutSpeed(Bytes& out, float kmh, Layout layout)
{
    if (layout == Layout::SisterSpeedFirst)
        PutU32(out, static_cast<std::uint32_t>(std::lround(kmh / 0.036)));
    else
        PutU32(out, std::bit_cast<std::uint32_t>(kmh));
}

// The selected fields in ascending bit order (a speed-first record swaps bits 4 and 5);
// uninterpreted ones are filled with 0x3C.
template <std::size_t N>
Bytes Fields(const RawFix& f, std::uint32_t mask, const std::size_t (&sizes)[N], Layout layout)
{
    const bool block = layout != Layout::Sector;
    const bool speedFirst = layout == Layout::SisterSpeedFirst;
    Bytes out;
    for (int bit = 0; bit < static_cast<int>(N); ++bit) {
        if ((mask >> bit & 1u) == 0)
            continue;
        const std::size_t at = out.size();
        switch (bit) {
        case 0:
            PutU32(out, static_cast<std::uint32_t>(f.Seconds));
            break;
        case 1:
            PutU16(out, f.FixType);
            break;
        case 2:
            PutPosition(out, f.Latitude, layout);
            break;
        case 3:
            PutPosition(out, f.Longitude, layout);
            break;
        case 4:
            if (speedFirst && (mask & 0x20u) != 0)
                PutSpeed(out, f.Speed, layout);
            PutHeight(out, f.ExtraValue, layout);
            break;
        case 5:
            if (!speedFirst || (mask & 0x10u) == 0)
                PutSpeed(out, f.Speed, layout);
            break;
        case 6:
            if (block)
                PutU32(out, std::bit_cast<std::uint32_t>(f.Course));
            break;
        case 12:
            out.push_back(f.SatelliteCount), out.push_back(f.ExtraCount);
            break;
        case 13:
            // One entry per satellite (bit 12 selected): 4 bytes plus 2 per bit 14, 15, 16.
            if (block && (mask & 0x1000u) != 0)
                out.resize(at + f.SatelliteCount * (4 + 2 * std::popcount(mask & 0x1C000u)), 0x3C);
            break;
        case 18:
            PutU16(out, f.Millisecond);
            break;
        default:
            out.resize(at + sizes[bit], 0x3C);
            break;
        }
    }
    return out;
}
} // namespace

void PutU32(Bytes& out, std::uint32_t v)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>(v >> shift));
}

Bytes Repeat(std::uint8_t value, std::size_t count) { return Bytes(count, value); }

std::uint8_t XorOf(const Bytes& bytes)
{
    std::uint8_t x = 0;
    for (std::uint8_t b : bytes)
        x ^= b;
    return x;
}

Bytes BlockRecord(const RawFix& fix, std::uint32_t mask, Seal seal)
{
    Bytes out = Fields(fix, mask, kBlockSizes, Layout::Block);
    const std::uint8_t checksum = XorOf(out);
    out.push_back(seal == Seal::BadTerminator ? 0x00 : 0x2A);
    out.push_back(seal == Seal::BadChecksum ? checksum ^ 0x01 : checksum);
    return out;
}

Bytes SisterRecord(const RawFix& fix, std::uint32_t mask, SpeedPlace speed, Seal seal)
{
    // Bits 0-19 are sized as in the plain layout, apart from the positions and the height.
    Bytes out =
        Fields(fix, mask, kBlockSizes,
               speed == SpeedPlace::BeforeHeight ? Layout::SisterSpeedFirst : Layout::Sister);
    const std::uint8_t checksum = XorOf(out);
    out.push_back(seal == Seal::Good ? checksum : checksum ^ 0x01);
    return out;
}

Bytes Signature(const std::string& model, bool waypoint, bool padded)
{
    const std::string text =
        "MAKER" + model + (waypoint ? "WAYPNT" : "LOGGER") + (padded ? "    " : "");
    if (model.size() != 5)
        throw std::invalid_argument("a signature's model has five characters");
    return {text.begin(), text.end()};
}

Bytes SectorRecord(const RawFix& fix, std::uint32_t mask)
{
    Bytes out = Fields(fix, mask, kSectorSizes, Layout::Sector);
    out.resize(out.size() + 2, 0x3C);
    return out;
}

Bytes MaskMarker(std::uint8_t kind, std::uint32_t mask)
{
    Bytes out = Repeat(0xAA, 7);
    out.push_back(kind);
    PutU32(out, mask);
    out.resize(16, 0xBB);
    return out;
}

Bytes IncompleteMarker(std::size_t leadingAa)
{
    Bytes out = Repeat(0xAA, leadingAa);
    out.resize(12, 0x02);
    out.insert(out.end(), {0xBB, 0xBB, 0xBB, 0x00});
    return out;
}

FlashImage::FlashImage(std::size_t unitBytes, std::size_t units, std::uint32_t headerMask,
                       std::uint8_t headerFill)
    : m_unitBytes(unitBytes), m_data(unitBytes * units, 0xFF), m_cursor(units, kItemsStart)
{
    for (std::size_t unit = 0; unit < units; ++unit) {
        std::memset(m_data.data() + unit * unitBytes, headerFill, kItemsStart);
        SetHeaderMask(unit, headerMask);
    }
}

void FlashImage::SetHeaderMask(std::size_t unit, std::uint32_t mask)
{
    Bytes bytes;
    PutU32(bytes, mask);
    Put(unit * m_unitBytes + 2, bytes);
}

void FlashImage::SealHeader(std::size_t unit)
{
    Put(unit * m_unitBytes + 506, {0x2A, 0x5A, 0xBB, 0xBB, 0xBB, 0xBB});
}

void FlashImage::Append(std::size_t unit, const Bytes& item)
{
    const std::size_t at = m_cursor.at(unit);
    if (at + item.size() > m_unitBytes)
        throw std::out_of_range("item does not fit in its unit");
    Put(unit * m_unitBytes + at, item);
    m_cursor[unit] = at + item.size();
}

void FlashImage::Put(std::size_t fileOffset, const Bytes& bytes)
{
    if (fileOffset + bytes.size() > m_data.size())
        throw std::out_of_range("bytes run past the image");
    std::copy(bytes.begin(), bytes.end(), m_data.begin() + static_cast<std::ptrdiff_t>(fileOffset));
}

Bytes FirstBytes(const Bytes& image, std::size_t bytes)
{
    return {image.begin(), image.begin() + static_cast<std::ptrdiff_t>(bytes)};
}

Bytes Joined(std::initializer_list<Bytes> files)
{
    Bytes out;
    for (const Bytes& file : files)
        out.insert(out.end(), file.begin(), file.end());
    return out;
}

Bytes FlipBit(Bytes image, std::size_t offset, int bit)
{
    image.at(offset) ^= static_cast<std::uint8_t>(1u << bit);
    return image;
}

TempDir::TempDir()
{
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    do {
        std::ostringstream name;
        name << "t2n-test-" << ::getpid() << '-' << counter++ << '-' << std::hex << random();
        m_path = std::filesystem::temp_directory_path() / name.str();
    } while (!std::filesystem::create_directory(m_path));
}

TempDir::~TempDir()
{
    m_held.clear();
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string TempDir::Write(const std::string& name, const Bytes& bytes) const
{
    const std::filesystem::path path = m_path / NativePath(name);
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out.flush())
        throw std::runtime_error("cannot write " + Utf8Path(path));
    return Utf8Path(path);
}

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(NativePath(path), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

Bytes FullCompactBlockLog()
{
    constexpr std::uint32_t kCompactMask = 0x1F; // bits 0-4: 4 + 2 + 8 + 8 + 4 bytes
    constexpr std::size_t kRecordBytes = 28;     // with '*' and the checksum
    FlashImage log = BlockLog(kBufferBytes / kBlockBytes, kCompactMask);
    RawFix fix;
    for (std::size_t block = 0; block < kBufferBytes / kBlockBytes; ++block) {
        for (; kBlockBytes - log.Cursor(block) >= kRecordBytes; ++fix.Seconds) {
            fix.Latitude = 35.0 + (fix.Seconds - kMay2021) % 3600 * 1e-5;
            log.Append(block, BlockRecord(fix, kCompactMask));
        }
    }
    return log.Data();
}

std::vector<TGpsFix> DecodeBytes(LogKind kind, const Bytes& bytes, double localEpoch)
{
    FixTable table;
    DecodeLogImage(kind, bytes, localEpoch, table);
    return {table.Fixes().begin(), table.Fixes().end()};
}

} // namespace t2ntest
