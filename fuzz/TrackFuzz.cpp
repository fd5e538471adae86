// Fuzzes the writers for other programs with fixes of any bits. The input opens with a style (2
// bytes of bias, mapped to -1440..1440 minutes, and a byte whose bits 0 and 1 ask for UTC and GGA
// lines), then 42 bytes a fix (FuzzCommon.h). Every NMEA record must be its GGA line (when asked
// for) and its RMC line, each with the receivers' field count, a right checksum, printable text
// and at most 82 bytes with CR LF, both with the same time. Every GPX point must be well-formed
// XML whose coordinates read back to the fix's, and the whole document with its points too.

#include "FuzzCommon.h"
#include "export/GpxExport.h"
#include "export/NmeaExport.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <string_view>
#include <vector>

using namespace t2nfuzz;

namespace {

// Checks one line without its CR LF: "$" name fields "*HH".
void CheckSentence(std::string_view line, std::string_view name, std::size_t fields)
{
    Check(line.size() + 2 <= kMaxToolLineLength, "line of at most 82 bytes");
    Check(line.substr(0, name.size()) == name, "sentence name");
    Check(std::all_of(line.begin(), line.end(), [](char c) { return c > ' ' && c < 127; }),
          "printable line");
    const std::size_t star = line.size() - 3;
    Check(line.size() > 4 && line[star] == '*', "checksum star");
    unsigned sum = 0;
    for (std::size_t i = 1; i < star; ++i)
        sum ^= static_cast<unsigned char>(line[i]);
    static constexpr char kHex[] = "0123456789ABCDEF";
    Check(line[star + 1] == kHex[sum >> 4] && line[star + 2] == kHex[sum & 15], "checksum");
    Check(static_cast<std::size_t>(std::count(line.begin(), line.end(), ',')) + 1 == fields,
          "field count");
}

void CheckNmeaRecord(std::string_view record, const RecordStyle& style)
{
    std::vector<std::string_view> lines;
    while (!record.empty()) {
        const std::size_t end = record.find("\r\n");
        Check(end != std::string_view::npos, "lines end with CR LF");
        lines.push_back(record.substr(0, end));
        record.remove_prefix(end + 2);
    }
    Check(lines.size() == (style.Gga ? 2u : 1u), "GGA and RMC lines");
    if (style.Gga) {
        CheckSentence(lines[0], "$GPGGA,", 15);
        Check(lines[0].substr(7, 10) == lines[1].substr(7, 10), "GGA and RMC at the same time");
    }
    CheckSentence(lines.back(), "$GPRMC,", 13);
}

bool IsNameChar(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == ':'; }

// Well-formed XML as the writers make it: an optional declaration, nested elements with quoted
// attributes, text without markup characters, one root.
void CheckXml(std::string_view s, bool document)
{
    if (s.substr(0, 5) == "<?xml")
        s.remove_prefix(s.find("?>") + 2);
    std::vector<std::string_view> open;
    int roots = 0;
    while (!s.empty()) {
        const std::size_t lt = s.find('<');
        Check(s.substr(0, lt).find_first_of(">&\"") == std::string_view::npos, "plain text");
        if (lt == std::string_view::npos)
            break;
        s.remove_prefix(lt + 1);
        const bool closing = !s.empty() && s[0] == '/';
        s.remove_prefix(closing ? 1 : 0);
        std::size_t n = 0;
        while (n < s.size() && IsNameChar(s[n]))
            ++n;
        Check(n > 0, "element name");
        const std::string_view name = s.substr(0, n);
        const std::size_t gt = s.find('>');
        Check(gt != std::string_view::npos, "tag ends");
        const std::string_view rest = s.substr(n, gt - n);
        Check(std::count(rest.begin(), rest.end(), '"') % 2 == 0 &&
                  rest.find_first_of("<&") == std::string_view::npos,
              "quoted attributes");
        if (closing) {
            Check(!open.empty() && open.back() == name, "matching end tag");
            open.pop_back();
        } else {
            roots += open.empty() ? 1 : 0;
            open.push_back(name);
        }
        s.remove_prefix(gt + 1);
    }
    Check(open.empty(), "every element closed");
    Check(!document || roots == 1, "one root element");
}

// The coordinate attribute `name` reads back to `value`.
void CheckAttribute(std::string_view point, std::string_view name, double value)
{
    const std::size_t at = point.find(name) + name.size();
    double back = 0;
    const auto [end, ec] = std::from_chars(point.data() + at, point.data() + point.size(), back);
    Check(ec == std::errc() && *end == '"' && back == value, "coordinate reads back");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Exactly the documented room, on the heap, so a longer record is caught by the sanitizer.
    static char* const nmea = new char[kMaxNmeaRecordLength];
    static char* const gpx = new char[kMaxGpxPointLength];
    InputReader in(data, size);
    const auto bias = static_cast<std::int32_t>(in.U16() % 2881) - 1440;
    const std::uint8_t flags = in.U8();
    const RecordStyle style{bias, (flags & 1) != 0 || (flags & 2) == 0, (flags & 2) != 0};
    const TrackLayout layout = GpxLayout();
    std::string document = layout.Header + layout.PartOpen;
    do {
        const TGpsFix fix = RawFixFrom(in);
        const char* end = FormatNmeaRecord(fix, style, nmea);
        Check(end > nmea && end <= nmea + kMaxNmeaRecordLength, "record fits its buffer");
        CheckNmeaRecord({nmea, static_cast<std::size_t>(end - nmea)}, style);

        end = FormatGpxPoint(fix, style, gpx);
        Check(end <= gpx + kMaxGpxPointLength, "point fits its buffer");
        const std::string_view point(gpx, static_cast<std::size_t>(end - gpx));
        const bool position = std::fabs(fix.Latitude) <= 90 && std::fabs(fix.Longitude) <= 180;
        Check(point.empty() != position, "a point for every position");
        if (point.empty())
            continue;
        CheckXml(point, false);
        CheckAttribute(point, "lat=\"", fix.Latitude);
        CheckAttribute(point, "lon=\"", fix.Longitude);
        document.append(point);
    } while (in.Left() >= kRawFixBytes);
    CheckXml(document + layout.PartClose + layout.Footer, true);
    return 0;
}
