// Writes the seed corpora of the fuzz targets, built with the tests' log writer: small but
// well-formed block and sector logs (every item kind, masks, markers, damaged records, gate
// and smoothing patterns), fix tables for the smoothing pass and fixes for the line writers.
//
// Usage: t2n_fuzz_seeds <folder>; one sub-folder per target is (re)created.

#include "FuzzCommon.h"
#include "archive/Archive.h"
#include "convert/Trips.h"
#include "support/LogWriter.h"
#include "support/MbTilesWriter.h"
#include "support/PhotoWriter.h"
#include "support/TilePictures.h"

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <limits>
#include <random>
#include <stdexcept>

namespace fs = std::filesystem;
using namespace t2ntest;

namespace {

// Little-endian appenders for the fuzz targets' own input layouts.
template <class T> void PutLe(Bytes& out, T value)
{
    std::uint8_t bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    out.insert(out.end(), bytes, bytes + sizeof(T)); // x86 and ARM are little-endian
}
void PutU8(Bytes& out, std::uint8_t v) { out.push_back(v); }
void PutU16(Bytes& out, std::uint16_t v) { PutLe(out, v); }
void PutF32(Bytes& out, float v) { PutLe(out, v); }
void PutF64(Bytes& out, double v) { PutLe(out, v); }

class SeedFolder
{
  public:
    SeedFolder(const fs::path& root, const std::string& target) : m_path(root / target)
    {
        fs::remove_all(m_path);
        fs::create_directories(m_path);
    }
    void Add(const Bytes& bytes)
    {
        std::ofstream out(m_path / ("seed-" + std::to_string(m_count++)), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }
    [[nodiscard]] int Count() const { return m_count; }

  private:
    fs::path m_path;
    int m_count = 0;
};

// Prefixes an image with the two headroom bytes of the nearly-full targets.
Bytes WithHeadroom(std::uint16_t headroom, const Bytes& image)
{
    Bytes out;
    PutU16(out, headroom);
    out.insert(out.end(), image.begin(), image.end());
    return out;
}

RawFix Fix(std::int32_t seconds, std::uint16_t ms, float speed, double lat, double lon)
{
    RawFix f;
    f.Seconds = seconds;
    f.Millisecond = ms;
    f.Speed = speed;
    f.Latitude = lat;
    f.Longitude = lon;
    f.SatelliteCount = 0;
    return f;
}

// The sister layout: a recording opened by markers and a signature, a waypoint, damage, an
// erased gap before older records, then a speed-first recording whose order the next block
// keeps; a plain block after them (three blocks, the targets' longest input).
Bytes SisterBlockLog()
{
    FlashImage log = BlockLog(3, kSisterBasicMask);
    log.Append(0, MaskMarker(3, 0x32));
    log.Append(0, Signature("GR241"));
    for (int i = 0; i < 30; ++i) {
        if (i == 1)
            log.Append(0, MaskMarker(7, 0x106));
        if (i == 10)
            log.Append(0, Signature("GR241", true, true));
        if (i == 20)
            log.Append(0, Repeat(0xFF, 77));
        log.Append(0, SisterRecord(Fix(kMay2021 + i, 0, 12.5f, 35.5 + i * 1e-4, 139.75),
                                   kSisterBasicMask, SpeedPlace::AfterHeight,
                                   i == 15 ? Seal::BadChecksum : Seal::Good));
    }
    log.Append(0, MaskMarker(2, 0x3D));
    log.Append(0, Signature("GR245", false, true));
    log.SetHeaderMask(1, 0x3D);
    for (int i = 0; i < 40; ++i)
        log.Append(i < 20 ? 0 : 1, SisterRecord(Fix(kMay2021 + 100 + i, 0, 36.0f, -33.5, -70.25),
                                                0x3D, SpeedPlace::BeforeHeight));
    log.SetHeaderMask(2, kBlockBasicMask);
    log.Append(2, BlockRecord(Fix(kMay2021 + 200, 0, 5.0f, 1.0, 2.0), kBlockBasicMask));
    return log.Data();
}

std::vector<Bytes> BlockLogs()
{
    std::vector<Bytes> logs;
    constexpr std::uint32_t kMask = kBlockBasicMask | 0x1000u;

    // A steady track, one record after another.
    {
        FlashImage log = BlockLog(1, kMask);
        for (int i = 0; i < 40; ++i)
            log.Append(0, BlockRecord(Fix(kMay2021 + i, static_cast<std::uint16_t>(i * 25),
                                          30.0f + static_cast<float>(i), 35.5 + i * 1e-4, 139.75),
                                      kMask));
        logs.push_back(log.Data());
    }
    // Every item kind: markers of kind 2 and others, incomplete markers, erased gaps, damaged
    // records, satellite entries with widened sizes, limits of the ranges.
    {
        FlashImage log = BlockLog(2, kMask);
        RawFix f = Fix(kMay2021, 999, 2000.0f, 90.0, -180.0);
        log.Append(0, BlockRecord(f, kMask));
        log.Append(0, MaskMarker(2, 0xFFFFF));
        f.SatelliteCount = 3;
        log.Append(0, BlockRecord(f, 0xFFFFF));
        log.Append(0, MaskMarker(1, 0x1));
        log.Append(0, IncompleteMarker(4));
        log.Append(0, BlockRecord(f, 0xFFFFF, Seal::BadChecksum));
        log.Append(0, BlockRecord(f, 0xFFFFF, Seal::BadTerminator));
        log.SetCursor(0, (log.Cursor(0) + 64) & ~std::size_t{15});
        f.Latitude = 90.5;
        log.Append(0, BlockRecord(f, 0xFFFFF));
        f.Latitude = -90.0;
        f.Millisecond = 1000;
        log.Append(0, BlockRecord(f, 0xFFFFF));
        f.Millisecond = 0;
        f.Seconds = 0;
        log.Append(0, BlockRecord(f, 0xFFFFF));
        f.Seconds = -86400;
        log.Append(0, BlockRecord(f, 0xFFFFF));
        // The second block keeps its own header mask; a record runs up to the block's end.
        for (int i = 0; i < 5; ++i)
            log.Append(1, BlockRecord(Fix(kMay2021 + 60 + i, 0, 5.0f, -33.5, -70.25), 0x1));
        const Bytes last = BlockRecord(Fix(kMay2021 + 99, 0, 5.0f, 1.0, 2.0), kMask);
        log.SetCursor(1, kBlockBytes - last.size());
        log.Append(1, last);
        logs.push_back(log.Data());
    }
    // A record that starts near the end of a block and runs into the next.
    {
        FlashImage log = BlockLog(2, kMask);
        const Bytes record = BlockRecord(Fix(kMay2021, 0, 10.0f, 1.0, 2.0), kMask);
        log.Put(kBlockBytes - 20, record);
        logs.push_back(log.Data());
    }
    // Random bytes after valid headers, to start from somewhere less regular.
    {
        std::mt19937 random(7);
        FlashImage log = BlockLog(1, kMask);
        Bytes noise(2048);
        for (auto& b : noise)
            b = static_cast<std::uint8_t>(random());
        log.Append(0, noise);
        log.Append(0, BlockRecord(Fix(kMay2021, 1, 1.0f, 0.0, 0.0), kMask));
        logs.push_back(log.Data());
    }
    logs.push_back(SisterBlockLog());
    return logs;
}

std::vector<Bytes> SectorLogs()
{
    std::vector<Bytes> logs;
    // A 10 Hz track over three sectors with small speed changes (runs for the smoothing).
    {
        FlashImage log = SectorLog(3, kSectorFixMask);
        int n = 0;
        for (std::size_t s = 0; s < 3; ++s)
            for (int i = 0; i < 99; ++i, ++n)
                log.Append(
                    s, SectorRecord(Fix(kMay2021 + n / 10, static_cast<std::uint16_t>(n % 10 * 100),
                                        20.0f + static_cast<float>(n % 7), 35.5 + n * 1e-5,
                                        139.75 - n * 1e-5),
                                    kSectorFixMask));
        logs.push_back(log.Data());
    }
    // The gate, markers, the full mask, limits and records the plausibility tests drop.
    {
        FlashImage log = SectorLog(2, kSectorFullMask);
        RawFix f = Fix(kMay2021, 0, 2000.0f, -90.0, 180.0);
        f.FixType = 2;
        log.Append(0, SectorRecord(f, kSectorFullMask));
        f.FixType = 3;
        for (int i = 0; i < 6; ++i)
            log.Append(0, SectorRecord(f, kSectorFullMask));
        log.Append(0, MaskMarker(2, kSectorFixMask));
        f.Speed = 0.0f;
        log.Append(0, SectorRecord(f, kSectorFixMask));
        f.Speed = 1.0f;
        f.Millisecond = 1000;
        log.Append(0, SectorRecord(f, kSectorFixMask));
        f.Millisecond = 999;
        f.Seconds = 1609459200 - 1; // before 2021-01-01 UTC
        log.Append(0, SectorRecord(f, kSectorFixMask));
        log.Append(0, MaskMarker(7, 0));
        log.Append(0, IncompleteMarker(7));
        f.Seconds = kMay2021;
        log.Append(1, MaskMarker(2, 0x3F));
        log.Append(1, SectorRecord(f, 0x3F));
        log.Append(1, Repeat(0xFF, 200));
        log.Append(1, MaskMarker(2, kSectorFixMask));
        log.Append(1, SectorRecord(f, kSectorFixMask));
        logs.push_back(log.Data());
    }
    // Erased sectors only.
    logs.push_back(SectorLog(2, 0xFFFFFFFF).Data());
    return logs;
}

// The seeds must have the layout the targets read (FuzzCommon.h).
void CheckLayout(std::size_t written, std::size_t expected)
{
    if (written != expected)
        throw std::logic_error("seed layout differs from the fuzz targets' fix layout");
}

void PutPlausible(Bytes& out, std::int16_t stepMs, std::uint16_t ms, std::uint32_t speed,
                  std::int32_t lat, std::int32_t lon)
{
    const std::size_t start = out.size();
    PutU16(out, static_cast<std::uint16_t>(stepMs));
    PutU16(out, ms);
    PutU32(out, speed);
    PutU32(out, static_cast<std::uint32_t>(lat));
    PutU32(out, static_cast<std::uint32_t>(lon));
    CheckLayout(out.size() - start, t2nfuzz::kPlausibleFixBytes);
}

void PutRaw(Bytes& out, double time, std::uint16_t fixType, double lat, double lon, float extra,
            float speed, float course, std::uint8_t count, std::uint8_t satellites,
            std::uint16_t ms)
{
    const std::size_t start = out.size();
    PutF64(out, time);
    PutU16(out, fixType);
    PutF64(out, lat);
    PutF64(out, lon);
    PutF32(out, extra);
    PutF32(out, speed);
    PutF32(out, course);
    PutU8(out, count);
    PutU8(out, satellites);
    PutU16(out, ms);
    CheckLayout(out.size() - start, t2nfuzz::kRawFixBytes);
}

std::vector<Bytes> SmoothingTables()
{
    std::vector<Bytes> tables;
    // 10, 20 and 5 Hz, a speed outlier, times running backwards and a gap.
    for (const std::int16_t step : {100, 50, 200, -3600, 210, 209}) {
        Bytes t{0};
        for (int i = 0; i < 24; ++i)
            PutPlausible(t, i == 12 ? std::int16_t{5000} : step, 0,
                         static_cast<std::uint32_t>(i == 7 ? 20000 : 10000 + i * 100), i * 1000,
                         -i * 2000);
        tables.push_back(t);
    }
    // Raw values, non-finite ones included.
    Bytes raw{1};
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    PutRaw(raw, 45000.0, 3, nan, inf, 0.0f, -1.0f, 0.0f, 0, 0, 0);
    PutRaw(raw, 45000.0, 3, 1e308, -inf, 0.0f, 3e38f, 0.0f, 0, 0, 0);
    PutRaw(raw, nan, 3, 35.0, 139.0, 0.0f, 10.0f, 0.0f, 0, 0, 0);
    tables.push_back(raw);
    return tables;
}

std::vector<Bytes> RmcFixes()
{
    std::vector<Bytes> fixes;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const float fnan = std::numeric_limits<float>::quiet_NaN();
    const float finf = std::numeric_limits<float>::infinity();
    const float fmax = std::numeric_limits<float>::max();
    const double dmax = std::numeric_limits<double>::max();
    // 2021-05-03 12:34:56.789, the worked example of the line format.
    const double example = 44319.0 + (12 * 3600000 + 34 * 60000 + 56 * 1000 + 789) / 86400000.0;
    Bytes one;
    PutRaw(one, example, 3, 35.5020576, 139.75, 1.25f, 22.7796f, 0.0f, 9, 0, 789);
    fixes.push_back(one);
    Bytes odd;
    PutRaw(odd, -700000.0, 0, -33.5, -70.25, -fnan, 18.52f, 256.25f, 255, 255, 65535);
    PutRaw(odd, 3e6, 0, -0.0, 0.0, finf, -finf, fnan, 0, 0, 0);
    PutRaw(odd, nan, 0, nan, -nan, -finf, fnan, -fmax, 100, 1, 1);
    PutRaw(odd, inf, 0, dmax, -dmax, fmax, fmax, fmax, 99, 2, 2);
    PutRaw(odd, 2958465.99999999, 0, 89.9999999999, 179.99999999999, 1e-45f, 1e-45f, -0.0f, 10, 3,
           3);
    fixes.push_back(odd);
    return fixes;
}

// The line writers' fixes after a style: bias and the UTC and GGA bits (TrackFuzz.cpp).
std::vector<Bytes> TrackWriterInputs()
{
    std::vector<Bytes> inputs;
    const struct {
        std::int16_t Bias;
        std::uint8_t Flags;
    } styles[] = {{-540, 3}, {300, 2}, {0, 1}, {1440, 3}, {-1440, 3}};
    for (const Bytes& fixes : RmcFixes())
        for (const auto& style : styles) {
            Bytes input;
            // The fuzz target maps its first two bytes to style.Bias by "% 2881 - 1440".
            PutU16(input, static_cast<std::uint16_t>(style.Bias + 1440));
            PutU8(input, style.Flags);
            input.insert(input.end(), fixes.begin(), fixes.end());
            inputs.push_back(input);
        }
    return inputs;
}

// The photo target's inputs: Japan's zone, no clock error, a gap of 60 s and two fixes a second
// either side of the photo's moment, then small photos with the metadata cameras write.
std::vector<Bytes> PhotoInputs()
{
    Bytes header;
    PutU16(header, 1440 - 540);
    PutLe(header, std::int32_t{0});
    PutU16(header, 60);
    PutU8(header, 2);
    for (const std::int16_t step : {-10, 10}) {
        PutLe(header, step);
        PutLe(header, std::int32_t{800000000});
        PutLe(header, std::int32_t{1600000000});
        PutLe(header, std::int16_t{123});
        PutU8(header, 3);
    }
    CameraTags full;
    full.DateTimeOriginal = "2021:05:03 09:00:01";
    full.SubSec = "25";
    full.Offset = "+09:00";
    full.MakerNote = full.Thumbnail = full.Icc = true;
    CameraTags tagged = full;
    tagged.LatDeg = 35.5;
    tagged.LonDeg = -139.5;
    CameraTags plain;
    plain.DateTimeOriginal = "2021:05:03 09:00:01";
    const std::string photos[] = {
        WithCameraTags(MakeJpeg(2, 2), full),
        WithCameraTags(MakeJpeg(2, 2), tagged),
        WithCameraTags(MakeJpeg(2, 1), plain),
        WithCameraTags(MakePng(4, 2), plain),
        MakeJpeg(1, 1),
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/"
        "22-rdf-syntax-ns#\"><rdf:Description rdf:about=\"\" xmlns:xmp=\"http://ns.adobe.com/"
        "xap/1.0/\" xmp:Rating=\"3\"/></rdf:RDF></x:xmpmeta>",
    };
    std::vector<Bytes> inputs;
    for (const std::string& photo : photos) {
        Bytes input = header;
        input.insert(input.end(), photo.begin(), photo.end());
        inputs.push_back(input);
    }
    return inputs;
}

// Map files: the tests' two-zoom map, one without metadata, one with a tile that is no image,
// one of vector tiles, and the first of them with pages overwritten here and there.
std::vector<Bytes> MapFiles(const fs::path& scratch)
{
    MbTilesFixture bare = TwoZoomFixture(4, "-180,0,0,85");
    bare.Metadata.clear();
    MbTilesFixture garbage = TwoZoomFixture(4, "0,0,180,85");
    garbage.Tiles[1].Bytes = "no image";
    MbTilesFixture vector = TwoZoomFixture(4, "-180,-85,180,85");
    vector.Metadata["format"] = "pbf";
    std::vector<Bytes> files;
    for (const MbTilesFixture& fixture :
         {TwoZoomFixture(8, "-180,0,0,85.0511"), bare, garbage, vector}) {
        const fs::path path = scratch / ("map-" + std::to_string(files.size()) + ".mbtiles");
        fs::remove(path);
        if (!WriteMbTiles(path.string(), fixture).Ok()) {
            throw std::runtime_error("cannot write " + path.string());
        }
        std::ifstream in(path, std::ios::binary);
        files.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        fs::remove(path);
    }
    Bytes torn = files.front();
    for (std::size_t i = 100; i < torn.size(); i += 1531) {
        torn[i] ^= 0x5a;
    }
    files.push_back(torn);
    return files;
}

// Archives: one of a small block log, one of a sector log and the block log (a conflict between
// them), and the first with pages overwritten here and there.
std::vector<Bytes> Archives(const fs::path& scratch)
{
    const fs::path db = scratch / "archive.sqlite";
    std::vector<Bytes> files;
    const std::vector<Bytes> logs = {BlockLogs().front(), SectorLogs().front()};
    for (std::size_t count = 1; count <= logs.size(); ++count) {
        for (const char* end : {"", "-wal", "-shm"})
            fs::remove(db.string() + end);
        {
            Archive archive;
            if (!archive.Open(db.string(), Archive::Mode::Write).Ok())
                throw std::runtime_error("cannot write " + db.string());
            for (std::size_t i = 0; i < count; ++i) {
                const fs::path log = scratch / (i == 0 ? "log.bin" : "log.BNX4");
                std::ofstream(log, std::ios::binary)
                    .write(reinterpret_cast<const char*>(logs[i].data()),
                           static_cast<std::streamsize>(logs[i].size()));
                (void)archive.Import(log.string(), 0, kDefaultTripGapMs);
                fs::remove(log);
            }
        }
        std::ifstream in(db, std::ios::binary);
        files.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    for (const char* end : {"", "-wal", "-shm"})
        fs::remove(db.string() + end);
    Bytes torn = files.front();
    for (std::size_t i = 100; i < torn.size(); i += 1531)
        torn[i] ^= 0x5a;
    files.push_back(torn);
    return files;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: t2n_fuzz_seeds <folder>\n";
        return 2;
    }
    const fs::path root = argv[1];
    SeedFolder block(root, "block_log"), blockFull(root, "block_log_full");
    SeedFolder sector(root, "sector_log"), sectorFull(root, "sector_log_full");
    SeedFolder smoothing(root, "smoothing"), rmc(root, "rmc_line");
    SeedFolder track(root, "track_writers"), photo(root, "photo");
    SeedFolder maps(root, "mbtiles");
    SeedFolder archives(root, "archive");
    for (const Bytes& log : BlockLogs()) {
        block.Add(log);
        for (const std::uint16_t headroom : {0, 1, 3, 40})
            blockFull.Add(WithHeadroom(headroom, log));
    }
    for (const Bytes& log : SectorLogs()) {
        sector.Add(log);
        for (const std::uint16_t headroom : {0, 1, 3, 40})
            sectorFull.Add(WithHeadroom(headroom, log));
    }
    for (const Bytes& table : SmoothingTables())
        smoothing.Add(table);
    for (const Bytes& fix : RmcFixes())
        rmc.Add(fix);
    for (const Bytes& input : TrackWriterInputs())
        track.Add(input);
    for (const Bytes& input : PhotoInputs())
        photo.Add(input);
    for (const Bytes& file : MapFiles(root))
        maps.Add(file);
    for (const Bytes& file : Archives(root))
        archives.Add(file);
    std::cout << "seeds: block_log " << block.Count() << ", block_log_full " << blockFull.Count()
              << ", sector_log " << sector.Count() << ", sector_log_full " << sectorFull.Count()
              << ", smoothing " << smoothing.Count() << ", rmc_line " << rmc.Count()
              << ", track_writers " << track.Count() << ", photo " << photo.Count() << ", mbtiles "
              << maps.Count() << ", archive " << archives.Count() << '\n';
    return 0;
}
