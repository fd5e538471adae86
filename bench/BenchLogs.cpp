#include "BenchLogs.h"

#include "support/LogWriter.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>

using t2ntest::Bytes;
using t2ntest::FlashImage;
using t2ntest::RawFix;

namespace {

constexpr std::size_t kLogSize = 16u * 1024u * 1024u;
constexpr std::size_t kBlockBytes = 65536;
constexpr std::size_t kSectorBytes = 4096;
constexpr std::uint32_t kBlockMask = 0x7F | 1u << 12 | 1u << 18;
constexpr std::uint32_t kSectorMask = 0x4103F;
constexpr std::int32_t kStartSeconds = 1650000000; // 2022-04-15

// A track wandering around Tokyo Bay at 10 Hz with a gently varying speed.
struct Track {
    std::uint32_t n = 0;
    std::int32_t Seconds() const { return kStartSeconds + static_cast<std::int32_t>(n / 10); }
    std::uint32_t Millisecond() const { return n % 10 * 100; }
    double Latitude() const { return 35.5 + 0.01 * std::sin(n * 1e-4); }
    double Longitude() const { return 139.75 + 0.01 * std::cos(n * 1e-4); }
    float Speed() const { return static_cast<float>(30.0 + 10.0 * std::sin(n * 0.01)); }
};

// A day and a half of eight outings at 10 Hz, 86 minutes each and four hours apart, every one a
// loop out from home and back in its own direction.
struct OutingsTrack {
    static constexpr std::uint32_t kPerOuting = 52000;
    static constexpr std::int32_t kOutingEverySeconds = 19800;
    static constexpr double kPi = 3.14159265358979323846;
    std::uint32_t n = 0;
    std::uint32_t Outing() const { return n / kPerOuting; }
    double Share() const { return static_cast<double>(n % kPerOuting) / kPerOuting; }
    std::int32_t Seconds() const
    {
        return kStartSeconds + static_cast<std::int32_t>(Outing()) * kOutingEverySeconds +
               static_cast<std::int32_t>(n % kPerOuting / 10);
    }
    std::uint32_t Millisecond() const { return n % 10 * 100; }
    double Reach() const { return 0.08 + 0.03 * (Outing() % 3); }
    double Heading() const { return 0.8 * Outing(); }
    double Latitude() const
    {
        const double u = Share();
        return 35.6 +
               Reach() * (std::sin(kPi * u) * std::cos(Heading()) -
                          0.3 * std::sin(2 * kPi * u) * std::sin(Heading())) +
               0.002 * std::sin(60 * kPi * u);
    }
    double Longitude() const
    {
        const double u = Share();
        return 139.7 +
               Reach() *
                   (std::sin(kPi * u) * std::sin(Heading()) +
                    0.3 * std::sin(2 * kPi * u) * std::cos(Heading())) /
                   std::cos(35.6 * kPi / 180) +
               0.002 * std::cos(50 * kPi * u);
    }
    float Speed() const { return static_cast<float>(35.0 + 20.0 * std::sin(Share() * 40.0)); }
};

// A noisy logger: trips of 15 to 80 s at 10 Hz, 11 minutes to 2 hours apart, each from a random
// place around Tokyo at its own speed and heading; every record jitters by a few metres, one in
// fifty is a spike to a random place up to 30 km away, and one in three thousand a jump that the
// track goes on from.
struct NoisyRecord {
    std::int32_t Seconds;
    std::uint32_t Millisecond;
    double Latitude;
    double Longitude;
    float Speed;
};

// SplitMix64: the same numbers for a seed on every system.
class Random
{
  public:
    explicit Random(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t Next()
    {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15u);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
        return z ^ (z >> 31);
    }
    // Uniform in [low, high).
    double Uniform(double low, double high)
    {
        return low + (high - low) * static_cast<double>(Next() >> 11) * 0x1.0p-53;
    }

  private:
    std::uint64_t m_state;
};

std::vector<NoisyRecord> NoisyRecords(std::uint32_t seed, std::size_t count)
{
    constexpr double kBaseLatitude = 35.65;
    constexpr double kBaseLongitude = 139.7;
    constexpr double kMetresPerDegree = 111000.0;
    Random random(seed);
    std::vector<NoisyRecord> records;
    records.reserve(count);
    std::int64_t tenths = std::int64_t{kStartSeconds} * 10;
    while (records.size() < count) {
        const auto length = static_cast<std::size_t>(random.Uniform(150, 800));
        double latitude = kBaseLatitude + random.Uniform(-0.05, 0.05);
        double longitude = kBaseLongitude + random.Uniform(-0.06, 0.06);
        double heading = random.Uniform(0, 6.283);
        const double speedKmh = random.Uniform(15, 60);
        for (std::size_t i = 0; i < length && records.size() < count; ++i, ++tenths) {
            heading += random.Uniform(-0.05, 0.05);
            const double stepDegrees = speedKmh / 36.0 / kMetresPerDegree;
            latitude += stepDegrees * std::cos(heading);
            longitude += stepDegrees * std::sin(heading) / 0.81;
            if (random.Next() % 3000 == 0) {
                latitude += random.Uniform(-0.05, 0.05);
                longitude += random.Uniform(-0.06, 0.06);
            }
            const bool spike = random.Next() % 50 == 0;
            const double jitter = 4.0 / kMetresPerDegree;
            records.push_back({static_cast<std::int32_t>(tenths / 10),
                               static_cast<std::uint32_t>(tenths % 10 * 100),
                               spike ? kBaseLatitude + random.Uniform(-0.27, 0.27)
                                     : latitude + random.Uniform(-jitter, jitter),
                               spike ? kBaseLongitude + random.Uniform(-0.33, 0.33)
                                     : longitude + random.Uniform(-jitter, jitter),
                               static_cast<float>(speedKmh + random.Uniform(-3, 3))});
        }
        tenths += static_cast<std::int64_t>(random.Uniform(660, 7200)) * 10;
    }
    return records;
}

// The records one after the other, as the writers ask for them.
struct NoisyTrack {
    std::shared_ptr<const std::vector<NoisyRecord>> Records;
    std::uint32_t n = 0;
    const NoisyRecord& Record() const { return (*Records)[n]; }
    std::int32_t Seconds() const { return Record().Seconds; }
    std::uint32_t Millisecond() const { return Record().Millisecond; }
    double Latitude() const { return Record().Latitude; }
    double Longitude() const { return Record().Longitude; }
    float Speed() const { return Record().Speed; }
};

NoisyTrack MakeNoisyTrack(std::uint32_t seed)
{
    constexpr std::size_t kMostRecords = 420000; // more than either log holds
    return {std::make_shared<const std::vector<NoisyRecord>>(NoisyRecords(seed, kMostRecords))};
}

// The record of a track's fix: 3D, 1.25 m high unless said, the course turning a tenth of a
// degree a fix, 9 satellites in view and 8 used.
template <class AnyTrack> RawFix FixOf(const AnyTrack& track, float height = 1.25f)
{
    return {.Seconds = track.Seconds(),
            .FixType = 3,
            .Latitude = track.Latitude(),
            .Longitude = track.Longitude(),
            .ExtraValue = height,
            .Speed = track.Speed(),
            .Course = static_cast<float>(track.n % 3600) / 10.0f,
            .SatelliteCount = 9,
            .ExtraCount = 8,
            .Millisecond = static_cast<std::uint16_t>(track.Millisecond())};
}

// A full log of `unitBytes` units under one mask, their headers erased but for the mask, each
// filled with the records of `recordBytes` that `next` gives while they fit.
template <class Next>
Bytes FillUnits(std::size_t unitBytes, std::uint32_t mask, std::size_t recordBytes, Next next)
{
    FlashImage log(unitBytes, kLogSize / unitBytes, mask, 0xFF);
    for (std::size_t unit = 0; unit < kLogSize / unitBytes; ++unit)
        while (log.Cursor(unit) + recordBytes <= unitBytes)
            log.Append(unit, next());
    return log.Data();
}

template <class AnyTrack> Bytes WriteBlockLog(AnyTrack track)
{
    return FillUnits(kBlockBytes, kBlockMask, 40, [&track] {
        const Bytes record = t2ntest::BlockRecord(FixOf(track), kBlockMask);
        ++track.n;
        return record;
    });
}

// 1 Hz outings of 305 fixes, one every 1205 s: a pause of 15 minutes after each.
struct CompactTrack {
    static constexpr std::uint32_t kPerOuting = 305;
    static constexpr std::int32_t kOutingEverySeconds = 1205;
    std::uint32_t n = 0;
    std::int32_t Seconds() const
    {
        return kStartSeconds + static_cast<std::int32_t>(n / kPerOuting) * kOutingEverySeconds +
               static_cast<std::int32_t>(n % kPerOuting);
    }
    double Latitude() const { return 35.6 + 1e-4 * (n % kPerOuting); }
    double Longitude() const { return 139.7 + 1e-3 * (n / kPerOuting % 50); }
    float Height() const { return static_cast<float>(n % 700) * 0.5f; }
};

} // namespace

std::vector<std::uint8_t> MakeSisterLog()
{
    constexpr std::uint32_t kSisterMask = 0x7F | 1u << 12 | 1u << 18;
    constexpr std::size_t kRecord = 30;
    const std::string signature = "BENCHGR241LOGGER";
    FlashImage log(kBlockBytes, kLogSize / kBlockBytes, kSisterMask, 0xFF);
    Track track;
    for (std::size_t block = 0; block < kLogSize / kBlockBytes; ++block) {
        log.Append(block, t2ntest::MaskMarker(3, 0x32));
        log.Append(block, Bytes(signature.begin(), signature.end()));
        for (int record = 0; record < 1800 && log.Cursor(block) + kRecord <= kBlockBytes;
             ++record, ++track.n) {
            if (record == 500)
                log.SetCursor(block, log.Cursor(block) + 123); // an erased gap
            log.Append(block, t2ntest::SisterRecord(FixOf(track, 41.5f), kSisterMask,
                                                    t2ntest::SpeedPlace::AfterHeight,
                                                    record == 1000 ? t2ntest::Seal::BadChecksum
                                                                   : t2ntest::Seal::Good));
        }
    }
    return log.Data();
}

std::vector<std::uint8_t> MakeBlockLog() { return WriteBlockLog(Track{}); }

std::vector<std::uint8_t> MakeOutingsBlockLog() { return WriteBlockLog(OutingsTrack{}); }

std::vector<std::uint8_t> MakeCompactBlockLog()
{
    constexpr std::uint32_t kCompactMask = 0x1F;
    CompactTrack track;
    return FillUnits(kBlockBytes, kCompactMask, 28, [&track] {
        const RawFix fix{.Seconds = track.Seconds(),
                         .FixType = 3,
                         .Latitude = track.Latitude(),
                         .Longitude = track.Longitude(),
                         .ExtraValue = track.Height()};
        ++track.n;
        return t2ntest::BlockRecord(fix, kCompactMask);
    });
}

template <class AnyTrack> Bytes WriteSectorLog(AnyTrack track)
{
    FlashImage log(kSectorBytes, kLogSize / kSectorBytes, kSectorMask, 0xFF);
    for (std::size_t sector = 0; sector < kLogSize / kSectorBytes; ++sector) {
        for (int record = 0; record < 99; ++record, ++track.n) {
            Bytes bytes = t2ntest::SectorRecord(FixOf(track), kSectorMask);
            bytes[bytes.size() - 2] = bytes[bytes.size() - 1] = 0; // the trailing two, zero here
            log.Append(sector, bytes);
        }
    }
    return log.Data();
}

std::vector<std::uint8_t> MakeSectorLog() { return WriteSectorLog(Track{}); }

std::vector<std::uint8_t> MakeNoisyBlockLog(std::uint32_t seed)
{
    return WriteBlockLog(MakeNoisyTrack(seed));
}

std::vector<std::uint8_t> MakeNoisySectorLog(std::uint32_t seed)
{
    return WriteSectorLog(MakeNoisyTrack(seed));
}

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}
