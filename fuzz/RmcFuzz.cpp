// Fuzzes the RMC line writer with fixes of any bits (42 input bytes a fix; NaN, infinities,
// huge and negative values included). Every line must have the RMC shape
//   $GPRMC,hhmmss.zzz,A,<lat>,N|S,<lon>,E|W,<knots>,<course>,ddmmyy,<extra>,<count>,A*HH
// (no field empty, none holding a comma), carry the right checksum, and fit the writer's buffer.

#include "FuzzCommon.h"
#include "export/NmeaExport.h"

#include <memory>
#include <string_view>

using namespace t2nfuzz;

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHex(char c) { return IsDigit(c) || (c >= 'A' && c <= 'F'); }
int HexValue(char c) { return IsDigit(c) ? c - '0' : c - 'A' + 10; }

// Consumes the literal `text`.
bool Literal(std::string_view& s, std::string_view text)
{
    if (s.substr(0, text.size()) != text)
        return false;
    s.remove_prefix(text.size());
    return true;
}

// Consumes exactly n digits.
bool Digits(std::string_view& s, std::size_t n)
{
    if (s.size() < n)
        return false;
    for (std::size_t i = 0; i < n; ++i)
        if (!IsDigit(s[i]))
            return false;
    s.remove_prefix(n);
    return true;
}

// Consumes a non-empty field up to (not including) the next ','.
bool Field(std::string_view& s)
{
    const std::size_t comma = s.find(',');
    if (comma == 0 || comma == std::string_view::npos)
        return false;
    s.remove_prefix(comma);
    return true;
}

bool OneOf(std::string_view& s, char a, char b)
{
    if (s.empty() || (s[0] != a && s[0] != b))
        return false;
    s.remove_prefix(1);
    return true;
}

// The whole line against the pattern; every step must consume what it expects.
bool HasRmcShape(std::string_view s)
{
    if (!(Literal(s, "$GPRMC,") && Digits(s, 6) && Literal(s, ".") && Digits(s, 3) &&
          Literal(s, ",A,") && Field(s) && Literal(s, ",") && OneOf(s, 'N', 'S') &&
          Literal(s, ",") && Field(s) && Literal(s, ",") && OneOf(s, 'E', 'W') && Literal(s, ",") &&
          Field(s) && Literal(s, ",") && Field(s) && Literal(s, ",") && Digits(s, 6) &&
          Literal(s, ",") && Field(s) && Literal(s, ",")))
        return false;
    // The count: one to three digits, then ",A*HH" and nothing more.
    std::size_t digits = 0;
    while (digits < s.size() && IsDigit(s[digits]))
        ++digits;
    if (digits < 1 || digits > 3)
        return false;
    s.remove_prefix(digits);
    return Literal(s, ",A*") && s.size() == 2 && IsHex(s[0]) && IsHex(s[1]);
}

bool ChecksumIsRight(std::string_view line)
{
    const std::size_t star = line.rfind('*');
    unsigned sum = 0;
    for (std::size_t i = 1; i < star; ++i)
        sum ^= static_cast<unsigned char>(line[i]);
    return sum == static_cast<unsigned>(HexValue(line[star + 1]) * 16 + HexValue(line[star + 2]));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Exactly the documented room, on the heap, so a longer line is caught by the sanitizer.
    static char* const buffer = new char[kMaxRmcLength];
    InputReader in(data, size);
    do {
        const TGpsFix fix = RawFixFrom(in);
        const char* end = FormatRmcLine(fix, buffer);
        Check(end > buffer && static_cast<std::size_t>(end - buffer) <= kMaxRmcLength,
              "line fits its buffer");
        const std::string_view line(buffer, static_cast<std::size_t>(end - buffer));
        if (!HasRmcShape(line) || !ChecksumIsRight(line)) {
            std::fprintf(stderr, "bad line: %.*s\n", static_cast<int>(line.size()), line.data());
            Fail("RMC line shape and checksum", -1);
        }
        // The hemisphere letters follow the signs (no other field can be a lone S or W).
        Check((line.find(",S,") != std::string_view::npos) == !(fix.Latitude >= 0),
              "latitude hemisphere");
        Check((line.find(",W,") != std::string_view::npos) == !(fix.Longitude >= 0),
              "longitude hemisphere");
    } while (in.Left() >= kRawFixBytes);
    return 0;
}
