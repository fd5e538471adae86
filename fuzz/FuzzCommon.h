#pragma once

// Shared by the fuzz targets and the seed generator: how a fuzz input becomes fixes, and the
// promises every decoded table must keep. A broken promise aborts with a message, which the
// fuzzer records as a crash together with the input that caused it.

#include "store/FixTable.h"
#include "store/GpsFix.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace t2nfuzz {

[[noreturn]] inline void Fail(const char* what, std::int64_t index)
{
    std::fprintf(stderr, "broken invariant: %s (entry %lld)\n", what,
                 static_cast<long long>(index));
    std::abort();
}

inline void Check(bool holds, const char* what, std::int64_t index = -1)
{
    if (!holds)
        Fail(what, index);
}

// Ranges every stored fix keeps, whatever log it came from.
inline void CheckCommonRanges(const TGpsFix& f, std::int64_t i)
{
    Check(f.Latitude >= -90.0 && f.Latitude <= 90.0, "latitude within -90..90", i);
    Check(f.Longitude >= -180.0 && f.Longitude <= 180.0, "longitude within -180..180", i);
    Check(f.Millisecond <= 999, "millisecond within 0..999", i);
    Check(std::isfinite(f.Time), "finite time", i);
}

inline void CheckBlockFix(const TGpsFix& f, std::int64_t i)
{
    CheckCommonRanges(f, i);
    Check(f.Speed >= 0.0f && f.Speed <= 2000.0f, "block speed within 0..2000", i);
}

// Sector fixes: speed strictly positive, no time before 2021-01-01 00:00 local, no course.
inline void CheckSectorFix(const TGpsFix& f, std::int64_t i)
{
    CheckCommonRanges(f, i);
    Check(f.Speed > 0.0f && f.Speed <= 2000.0f, "sector speed within 0 (excluded)..2000", i);
    Check(f.Time >= 44197.0, "sector time not before 2021-01-01", i);
    Check(f.FixType == 3, "sector fix type 3", i);
    Check(f.Course == 0.0f && !std::signbit(f.Course), "sector course 0", i);
}

// Little-endian reads from a fuzz input; missing bytes read as 0.
class InputReader
{
  public:
    InputReader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    [[nodiscard]] std::size_t Left() const { return m_size - m_pos; }

    std::uint64_t Bytes(int n)
    {
        std::uint64_t v = 0;
        for (int i = 0; i < n; ++i) {
            const std::uint64_t b = m_pos < m_size ? m_data[m_pos++] : 0;
            v |= b << (8 * i);
        }
        return v;
    }
    std::uint8_t U8() { return static_cast<std::uint8_t>(Bytes(1)); }
    std::uint16_t U16() { return static_cast<std::uint16_t>(Bytes(2)); }
    std::uint32_t U32() { return static_cast<std::uint32_t>(Bytes(4)); }
    float F32()
    {
        const std::uint32_t bits = U32();
        float v;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    }
    double F64()
    {
        const std::uint64_t bits = Bytes(8);
        double v;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    }

  private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

// A raw fix: every field's bits straight from the input, 42 bytes in field order.
inline constexpr std::size_t kRawFixBytes = 8 + 2 + 8 + 8 + 4 + 4 + 4 + 1 + 1 + 2;

inline TGpsFix RawFixFrom(InputReader& in)
{
    TGpsFix f{};
    f.Time = in.F64();
    f.FixType = in.U16();
    f.Latitude = in.F64();
    f.Longitude = in.F64();
    f.ExtraValue = in.F32();
    f.Speed = in.F32();
    f.Course = in.F32();
    f.ExtraCount = in.U8();
    f.SatelliteCount = in.U8();
    f.Millisecond = in.U16();
    return f;
}

// A fix as the sector decoder could have stored it, 16 bytes: a time step after the previous
// fix (signed milliseconds, so times may run backwards, repeat or jump), then speed, latitude and
// longitude as fractions of their ranges.
inline constexpr std::size_t kPlausibleFixBytes = 2 + 2 + 4 + 4 + 4;

inline TGpsFix PlausibleFixFrom(InputReader& in, double& time)
{
    const auto stepMs = static_cast<std::int16_t>(in.U16());
    time += stepMs / 86400000.0;
    TGpsFix f{};
    f.Time = time;
    f.FixType = 3;
    f.Millisecond = static_cast<std::uint16_t>(in.U16() % 1000);
    // Speed in (0, 2000]: 1 + the input scaled, then clamped, so ties and equal runs occur.
    const std::uint32_t speed = in.U32();
    f.Speed = static_cast<float>((speed % 2000000u) + 1) / 1000.0f;
    f.Latitude = static_cast<double>(static_cast<std::int32_t>(in.U32())) / 2147483648.0 * 90.0;
    f.Longitude = static_cast<double>(static_cast<std::int32_t>(in.U32())) / 2147483648.0 * 180.0;
    return f;
}

// The first day count the sector decoder accepts, plus a little: where plausible tables start.
inline constexpr double kPlausibleStart = 44197.0 + 500.0;

} // namespace t2nfuzz
