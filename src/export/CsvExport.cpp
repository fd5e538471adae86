#include "export/CsvExport.h"

#include "export/GpxExport.h"
#include "export/NumberFormat.h"
#include "store/Digits.h"
#include "store/TimeBase.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

// ",value" for a finite value, "," otherwise.
char* PutField(char* p, float value)
{
    *p++ = ',';
    return std::isfinite(value) ? AppendShortest(p, value) : p;
}

} // namespace

std::string_view FixKindWord(std::uint16_t fixType)
{
    switch (fixType) {
    case 3:
        return "3d";
    case kNoFixType:
        return "none";
    case kSpsFixType:
        return "sps";
    case kDgpsFixType:
        return "dgps";
    case kPpsFixType:
        return "pps";
    case kRtkFixType:
        return "rtk";
    case kFloatRtkFixType:
        return "float-rtk";
    case kEstimatedFixType:
        return "estimated";
    case kManualFixType:
        return "manual";
    case kSimulatedFixType:
        return "simulated";
    default:
        return {};
    }
}

char* FormatCsvRecord(const TGpsFix& fix, const RecordStyle& style, char* out)
{
    if (!(std::fabs(fix.Latitude) <= 90 && std::fabs(fix.Longitude) <= 180))
        return out;
    char* p = AppendGpxTime(out, PrintedMilliseconds(fix.Time) +
                                     std::int64_t{style.BiasMinutes} * kMsPerMinute);
    *p++ = ',';
    p = AppendShortest(p, fix.Latitude);
    *p++ = ',';
    p = AppendShortest(p, fix.Longitude);
    p = PutField(p, fix.ExtraValue);
    p = PutField(p, fix.Speed);
    if (style.Course)
        p = PutField(p, fix.Course);
    else
        *p++ = ',';
    *p++ = ',';
    if (style.Satellites) // empty for a log whose records carry no satellite count
        p = std::to_chars(p, p + 3, fix.ExtraCount).ptr;
    *p++ = ',';
    const std::string_view kind = FixKindWord(fix.FixType);
    p = std::copy(kind.begin(), kind.end(), p);
    *p++ = ',';
    if (style.Trip > 0)
        p = std::to_chars(p, p + 11, style.Trip).ptr;
    return Put(p, "\r\n");
}

TrackLayout CsvLayout()
{
    TrackLayout layout;
    layout.Header = kCsvHeader;
    layout.Format = FormatCsvRecord;
    layout.MaxRecordLength = kMaxCsvRecordLength;
    return layout;
}
