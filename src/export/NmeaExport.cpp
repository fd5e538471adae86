#include "export/NmeaExport.h"

#include "export/AtomicFile.h"
#include "export/NumberFormat.h"
#include "store/Digits.h"
#include "store/PathText.h"
#include "store/TimeBase.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
// Lines are collected in chunks of this size and written chunk by chunk.
constexpr std::size_t kChunkSize = 1 << 20;

// Copies a literal without its terminating zero; the size is known, so the copy is inlined.
template <std::size_t N> char* Put(char* out, const char (&text)[N])
{
    std::memcpy(out, text, N - 1);
    return out + N - 1;
}

// The XOR of the bytes from `begin` to `end`, eight at a time.
std::uint8_t XorOf(const char* begin, const char* end)
{
    std::uint64_t wide = 0;
    for (; end - begin >= 8; begin += 8) {
        std::uint64_t word = 0;
        std::memcpy(&word, begin, 8);
        wide ^= word;
    }
    wide ^= wide >> 32;
    wide ^= wide >> 16;
    wide ^= wide >> 8;
    auto checksum = static_cast<std::uint8_t>(wide);
    for (; begin != end; ++begin)
        checksum ^= static_cast<std::uint8_t>(*begin);
    return checksum;
}

char* AppendCoordinate(char* out, double v)
{
    // Whole degrees times 100 plus minutes, as one number: 59.9999999' rounds into the next
    // degree by itself.
    const long double value = std::fabs(static_cast<long double>(v));
    // Whole degrees: a plain conversion covers every coordinate a fix can hold.
    const long double degrees = value < 0x1p62L
                                    ? static_cast<long double>(static_cast<std::int64_t>(value))
                                    : std::trunc(value);
    const long double minutes = (value - degrees) * 60;
    return AppendFixed(out, degrees * 100 + minutes, 6);
}

} // namespace

std::string NmeaTargetPath(std::string_view chosen)
{
    std::string target(chosen.substr(0, ExtensionStart(chosen)));
    return target.append(".nmea");
}

std::string FormatNmeaCoordinate(double v)
{
    char buffer[kMaxRmcLength];
    return std::string(buffer, AppendCoordinate(buffer, v));
}

char* FormatRmcLine(const TGpsFix& fix, char* out)
{
    char* p = out;
    *p++ = '$';
    char* const body = p;
    p = Put(p, "GPRMC,");

    const CalendarTime t = DecodeDayCount(fix.Time);
    p = PutTwoDigits(p, t.Hour);
    p = PutTwoDigits(p, t.Minute);
    p = PutTwoDigits(p, t.Second);
    *p++ = '.';
    *p++ = static_cast<char>('0' + t.Millisecond / 100);
    p = PutTwoDigits(p, t.Millisecond % 100);
    p = Put(p, ",A,");

    p = AppendCoordinate(p, fix.Latitude);
    p = fix.Latitude >= 0 ? Put(p, ",N,") : Put(p, ",S,");
    p = AppendCoordinate(p, fix.Longitude);
    p = fix.Longitude >= 0 ? Put(p, ",E,") : Put(p, ",W,");

    p = AppendFixed(p, static_cast<long double>(fix.Speed) / 1.852L, 1); // km/h to knots
    *p++ = ',';
    p = AppendFixed(p, static_cast<double>(fix.Course), 1);
    *p++ = ',';
    p = PutTwoDigits(p, t.Day);
    p = PutTwoDigits(p, t.Month);
    p = PutTwoDigits(p, t.Year % 100);
    *p++ = ',';
    p = AppendFixed(p, static_cast<double>(fix.ExtraValue), 3);
    *p++ = ',';
    p = std::to_chars(p, p + 3, fix.ExtraCount).ptr;
    p = Put(p, ",A");

    const std::uint8_t checksum = XorOf(body, p);
    *p++ = '*';
    *p++ = kHexDigits[checksum >> 4];
    *p++ = kHexDigits[checksum & 15];
    return p;
}

ExportResult ExportNmea(std::span<const TGpsFix> fixes, const std::string& target,
                        const FixFilter& selected)
{
    ExportResult result;
    AtomicFile file(target);
    auto fail = [&] {
        result.Status = file.FailedStage() == AtomicFile::Stage::Create ? ExportStatus::CreateFailed
                                                                        : ExportStatus::WriteFailed;
        result.Errno = file.Errno();
        result.LinesWritten = 0;
        return result;
    };
    if (!file.Open())
        return fail();

    const std::unique_ptr<char[]> chunk(new char[kChunkSize]);
    std::size_t used = 0;
    for (const TGpsFix& fix : fixes) {
        if (!selected(fix))
            continue;
        if (kChunkSize - used < kMaxRmcLength + 2) {
            if (!file.Write(chunk.get(), used))
                return fail();
            used = 0;
        }
        char* end = FormatRmcLine(fix, chunk.get() + used);
        *end++ = '\r';
        *end++ = '\n';
        used = static_cast<std::size_t>(end - chunk.get());
        ++result.LinesWritten;
    }
    if (!file.Write(chunk.get(), used) || !file.Commit())
        return fail();
    return result;
}

bool SameFile(const std::string& a, const std::string& b)
{
    std::error_code ec;
    const bool same = std::filesystem::equivalent(NativePath(a), NativePath(b), ec);
    return !ec && same;
}
