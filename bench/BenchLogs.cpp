#include "BenchLogs.h"

#include <bit>
#include <cmath>
#include <cstdio>
#include <memory>

namespace {

constexpr std::size_t kLogSize = 16u * 1024u * 1024u;
constexpr std::uint32_t kBlockMask = 0x7F | 1u << 12 | 1u << 18;
constexpr std::uint32_t kSectorMask = 0x4103F;
constexpr std::int32_t kStartSeconds = 1650000000; // 2022-04-15

struct Writer {
    std::vector<std::uint8_t>& bytes;
    std::size_t pos;

    void U8(std::uint32_t v) { bytes[pos++] = static_cast<std::uint8_t>(v); }
    void U16(std::uint32_t v)
    {
        U8(v);
        U8(v >> 8);
    }
    void U32(std::uint32_t v)
    {
        U16(v);
        U16(v >> 16);
    }
    void F32(float v) { U32(std::bit_cast<std::uint32_t>(v)); }
    void F64(double v)
    {
        const auto u = std::bit_cast<std::uint64_t>(v);
        U32(static_cast<std::uint32_t>(u));
        U32(static_cast<std::uint32_t>(u >> 32));
    }
};

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

// Time, fix type (3D), position, extra value and speed: the fields both formats open with.
template <class AnyTrack> void WriteLeadingFields(Writer& w, const AnyTrack& track)
{
    w.U32(static_cast<std::uint32_t>(track.Seconds()));
    w.U16(3);
    w.F64(track.Latitude());
    w.F64(track.Longitude());
    w.F32(1.25f);
    w.F32(track.Speed());
}

// Satellite count, extra count and millisecond.
template <class AnyTrack> void WriteCountsAndMillisecond(Writer& w, const AnyTrack& track)
{
    w.U8(9);
    w.U8(8);
    w.U16(track.Millisecond());
}

// One record: the fields, '*' and the XOR of the field bytes.
template <class Fields> void WriteRecord(Writer& w, Fields fields)
{
    const std::size_t start = w.pos;
    fields();
    std::uint8_t checksum = 0;
    for (std::size_t i = start; i < w.pos; ++i)
        checksum ^= w.bytes[i];
    w.U8(0x2A);
    w.U8(checksum);
}

// 256 blocks under one mask, each filled with records of `recordBytes` written by `fields`.
template <class Fields>
std::vector<std::uint8_t> WriteBlocks(std::uint32_t mask, std::size_t recordBytes, Fields fields)
{
    std::vector<std::uint8_t> bytes(kLogSize, 0xFF);
    for (std::size_t block = 0; block < kLogSize / 65536; ++block) {
        Writer w{bytes, block * 65536 + 2};
        w.U32(mask);
        w.pos = block * 65536 + 512;
        while (w.pos + recordBytes <= (block + 1) * 65536)
            WriteRecord(w, [&] { fields(w); });
    }
    return bytes;
}

template <class AnyTrack> std::vector<std::uint8_t> WriteBlockLog(AnyTrack track)
{
    return WriteBlocks(kBlockMask, 40, [&track](Writer& w) {
        WriteLeadingFields(w, track);
        w.F32(static_cast<float>(track.n % 3600) / 10.0f); // course
        WriteCountsAndMillisecond(w, track);
        ++track.n;
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

// One sister-layout record of the track; with `damaged` its checksum is wrong.
void WriteSisterRecord(Writer& w, const Track& track, bool damaged)
{
    const std::size_t start = w.pos;
    w.U32(static_cast<std::uint32_t>(track.Seconds()));
    w.U16(3);
    w.F32(static_cast<float>(track.Latitude()));
    w.F32(static_cast<float>(track.Longitude()));
    const auto height = std::bit_cast<std::uint32_t>(41.5f);
    w.U8(height >> 8);
    w.U16(height >> 16);
    w.F32(track.Speed());
    w.F32(static_cast<float>(track.n % 3600) / 10.0f); // course
    WriteCountsAndMillisecond(w, track);
    std::uint8_t checksum = damaged ? 1 : 0;
    for (std::size_t i = start; i < w.pos; ++i)
        checksum ^= w.bytes[i];
    w.U8(checksum);
}

template <class AnyTrack> std::vector<std::uint8_t> WriteSectorLog(AnyTrack track)
{
    std::vector<std::uint8_t> bytes(kLogSize, 0xFF);
    for (std::size_t sector = 0; sector < kLogSize / 4096; ++sector) {
        Writer w{bytes, sector * 4096 + 2};
        w.U32(kSectorMask);
        w.pos = sector * 4096 + 512;
        for (int record = 0; record < 99; ++record) {
            WriteLeadingFields(w, track);
            WriteCountsAndMillisecond(w, track);
            w.U16(0); // the two trailing bytes
            ++track.n;
        }
    }
    return bytes;
}

} // namespace

std::vector<std::uint8_t> MakeSisterLog()
{
    constexpr std::uint32_t kSisterMask = 0x7F | 1u << 12 | 1u << 18;
    constexpr std::size_t kRecord = 30;
    std::vector<std::uint8_t> bytes(kLogSize, 0xFF);
    Track track;
    for (std::size_t block = 0; block < kLogSize / 65536; ++block) {
        Writer w{bytes, block * 65536 + 2};
        w.U32(kSisterMask);
        w.pos = block * 65536 + 512;
        const std::uint8_t opening[] = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 3,
                                        0x32, 0,    0,    0,    0xBB, 0xBB, 0xBB, 0xBB};
        for (const std::uint8_t b : opening)
            w.U8(b);
        for (const char c : "BENCHGR241LOGGER")
            if (c != '\0')
                w.U8(static_cast<std::uint8_t>(c));
        for (int record = 0; record < 1800 && w.pos + kRecord <= (block + 1) * 65536;
             ++record, ++track.n) {
            if (record == 500)
                w.pos += 123; // an erased gap
            WriteSisterRecord(w, track, record == 1000);
        }
    }
    return bytes;
}

std::vector<std::uint8_t> MakeBlockLog() { return WriteBlockLog(Track{}); }

std::vector<std::uint8_t> MakeOutingsBlockLog() { return WriteBlockLog(OutingsTrack{}); }

std::vector<std::uint8_t> MakeCompactBlockLog()
{
    CompactTrack track;
    return WriteBlocks(0x1F, 28, [&track](Writer& w) {
        w.U32(static_cast<std::uint32_t>(track.Seconds()));
        w.U16(3);
        w.F64(track.Latitude());
        w.F64(track.Longitude());
        w.F32(track.Height());
        ++track.n;
    });
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
