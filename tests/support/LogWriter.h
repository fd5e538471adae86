#pragma once

// Builds raw logger images for the tests. Offsets and sizes are written out here from the
// format's own description, never taken from the decoders, so that a wrong constant in the
// decoders cannot hide on both sides.

#include "load/LogFile.h"
#include "store/FixTable.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace t2ntest {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::size_t kBlockBytes = 65536;     // one flash block of a block log
inline constexpr std::size_t kSectorBytes = 4096;     // one flash sector of a sector log
inline constexpr std::size_t kItemsStart = 512;       // first item of a block or sector
inline constexpr std::size_t kBufferBytes = 16777216; // the 16 MiB log buffer

inline constexpr std::uint32_t kBlockBasicMask = 0x4007F;  // block bits 0-6 and 18: 38 bytes
inline constexpr std::uint32_t kSisterBasicMask = 0x4107F; // bits 0-6, 12, 18: 30-byte records
inline constexpr std::uint32_t kSectorFixMask = 0x4103F;   // what a sector fix needs: 36 bytes
inline constexpr std::uint32_t kSectorFullMask = 0x26103F; // all ten sized sector fields: 90
inline constexpr std::int32_t kMay2021 = 1620000000;       // 2021-05-03 00:00:00 UTC

// The values of one record as the logger writes them (time as seconds since 1970 UTC).
struct RawFix {
    std::int32_t Seconds = kMay2021;
    std::uint16_t FixType = 3;
    double Latitude = 35.5;
    double Longitude = 139.75;
    float ExtraValue = 1.25f;
    float Speed = 36.0f;
    float Course = 90.0f;
    std::uint8_t SatelliteCount = 0;
    std::uint8_t ExtraCount = 7;
    std::uint16_t Millisecond = 0;
};

void PutU32(Bytes& out, std::uint32_t v);
Bytes Repeat(std::uint8_t value, std::size_t count);
std::uint8_t XorOf(const Bytes& bytes);

// Block record: the fields of bits 0-19 the mask selects, '*' and the XOR of the field bytes.
// Fields the decoder does not interpret hold 0x3C (no '*', 0xAA, 0xBB or 0xFF).
enum class Seal {
    Good,
    BadTerminator, // 0x00 in place of '*'
    BadChecksum,   // the checksum with its lowest bit flipped
};
Bytes BlockRecord(const RawFix& fix, std::uint32_t mask, Seal seal = Seal::Good);
// The sister layout of a block record: the fields of bits 0-19 with latitude and longitude as
// float32, the height as the three high-order bytes of its float32, then the XOR of the field
// bytes without '*'. Speed-first models store the speed as a 32-bit count of cm/s (rounded from
// the km/h given) before the height.
enum class SpeedPlace { AfterHeight, BeforeHeight };
Bytes SisterRecord(const RawFix& fix, std::uint32_t mask,
                   SpeedPlace speed = SpeedPlace::AfterHeight, Seal seal = Seal::Good);
// A sister-layout signature: a five-letter maker tag, the five-character model, "LOGGER" or
// (waypoint) "WAYPNT"; 20 bytes with the four spaces some firmware adds.
Bytes Signature(const std::string& model, bool waypoint = false, bool padded = false);
// Sector record: the sized fields (bits 0-5, 12, 17, 18, 21) the mask selects, then 2 bytes.
Bytes SectorRecord(const RawFix& fix, std::uint32_t mask);
// Seven 0xAA, the kind, the mask, four 0xBB.
Bytes MaskMarker(std::uint8_t kind, std::uint32_t mask);
// 16 bytes that open with `leadingAa` 0xAA bytes (then 0x02) and end without four 0xBB.
Bytes IncompleteMarker(std::size_t leadingAa);

// A flash image of equal units (blocks or sectors), erased (0xFF) except each unit's first 512
// bytes, which are `headerFill` apart from the field mask at offset 2.
class FlashImage
{
  public:
    FlashImage(std::size_t unitBytes, std::size_t units, std::uint32_t headerMask,
               std::uint8_t headerFill = 0x00);
    void SetHeaderMask(std::size_t unit, std::uint32_t mask);
    // Ends the unit's header as loggers of the sister layout do: '*', a byte and four 0xBB at
    // offsets 506 to 511, the mark that tells a header inside a block of joined files.
    void SealHeader(std::size_t unit);
    // Writes the item at the unit's cursor (512 at first), which then moves past it.
    void Append(std::size_t unit, const Bytes& item);
    void SetCursor(std::size_t unit, std::size_t unitOffset) { m_cursor.at(unit) = unitOffset; }
    [[nodiscard]] std::size_t Cursor(std::size_t unit) const { return m_cursor.at(unit); }
    // Raw bytes at a file offset; they may run on into the next unit, never past the image.
    void Put(std::size_t fileOffset, const Bytes& bytes);
    [[nodiscard]] const Bytes& Data() const { return m_data; }

  private:
    std::size_t m_unitBytes;
    Bytes m_data;
    std::vector<std::size_t> m_cursor;
};

inline FlashImage BlockLog(std::size_t n, std::uint32_t mask) { return {kBlockBytes, n, mask}; }
inline FlashImage SectorLog(std::size_t n, std::uint32_t mask) { return {kSectorBytes, n, mask}; }

// Sister-layout files as download tools save them, not whole blocks: the image's first `bytes`.
Bytes FirstBytes(const Bytes& image, std::size_t bytes);
// Files joined one after the other, as `cat` joins them.
Bytes Joined(std::initializer_list<Bytes> files);
// The image with bit `bit` (0 the lowest) of the byte at `offset` flipped: damage in flash.
Bytes FlipBit(Bytes image, std::size_t offset, int bit);

// A fresh folder under the system's temporary folder, removed with its contents.
class TempDir
{
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    [[nodiscard]] const std::filesystem::path& Path() const { return m_path; }
    // Writes Path()/name (UTF-8, sub-folders created) and returns its full path in UTF-8.
    std::string Write(const std::string& name, const Bytes& bytes) const;
    // Keeps `resource` (a file held open, say) until just before the folder is removed.
    void Hold(std::shared_ptr<void> resource) const { m_held.push_back(std::move(resource)); }

  private:
    std::filesystem::path m_path;
    mutable std::vector<std::shared_ptr<void>> m_held;
};

// The whole file at a UTF-8 path; empty when it cannot be read.
std::string ReadWholeFile(const std::string& path);

// Japan's time base (bias -540): 1970-01-01 00:00 UTC is 09:00 local.
inline constexpr double kJapanEpoch = 25569.375;

// A full 16 MiB block log of compact 28-byte records (time, fix type, position, height) at 1 Hz
// from kMay2021 on: 256 blocks of 2322 records, more fixes than any fixed table of old held.
inline constexpr std::int32_t kFullCompactLogFixes = 594432;
Bytes FullCompactBlockLog();

// Decodes a whole image as a load does (every unit, then the smoothing of a sector log) into a
// fresh table and returns its fixes.
std::vector<TGpsFix> DecodeBytes(LogKind kind, const Bytes& bytes, double localEpoch = kJapanEpoch);

} // namespace t2ntest
