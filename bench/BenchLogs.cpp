#include "BenchLogs.h"

#include "support/LogWriter.h"

#include <cmath>
#include <cstdio>

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

std::vector<std::uint8_t> MakeSectorLog()
{
    FlashImage log(kSectorBytes, kLogSize / kSectorBytes, kSectorMask, 0xFF);
    Track track;
    for (std::size_t sector = 0; sector < kLogSize / kSectorBytes; ++sector) {
        for (int record = 0; record < 99; ++record, ++track.n) {
            Bytes bytes = t2ntest::SectorRecord(FixOf(track), kSectorMask);
            bytes[bytes.size() - 2] = bytes[bytes.size() - 1] = 0; // the trailing two, zero here
            log.Append(sector, bytes);
        }
    }
    return log.Data();
}

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}
