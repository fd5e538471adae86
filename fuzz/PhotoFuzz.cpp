// Fuzzes the geotagging of a photo held in memory: Exiv2 reads its clock tags from bytes of any
// shape (mostly photos with broken metadata, from the seeds), the moment is placed on a track of
// fixes made around it, and the tags are written into a copy. Placement must give a position
// within range or a reason; and a copy the read-back check accepts, which would replace the
// photo, must really be whole: the same format, the same clock tags, a position, the image data
// unchanged, and no other position accepted in its place. The same holds for an XMP sidecar
// written over the input taken as an existing sidecar.
//
// Input: a settings header (kHeaderBytes), up to kMaxFixes fixes of kFixBytes, then the photo.
//   header: camera bias (2 bytes, -1440..1440 minutes), clock error (4 bytes, signed ms), the
//   gap allowed (2 bytes, seconds), the number of fixes (1 byte, mod kMaxFixes + 1)
//   fix: time after the photo's moment (2 bytes, signed, in 100 ms), latitude and longitude (4
//   bytes each, signed, over a little more than their ranges), height (2 bytes, signed dm; -32768
//   none) and the fix-type word's low byte (1 is "no fix")

#include "FuzzCommon.h"
#include "photos/GpsTags.h"
#include "photos/ImageData.h"
#include "photos/PhotoMeta.h"
#include "photos/PhotoTrack.h"

#include <cmath>
#include <string>
#include <string_view>
#include <vector>

using namespace t2nfuzz;

namespace {

constexpr std::size_t kHeaderBytes = 9;
constexpr std::size_t kFixBytes = 13;
constexpr std::size_t kMaxFixes = 8;
constexpr std::int64_t kMsPerDay = 86400000;

struct Settings {
    CameraClock Camera;
    std::int64_t MaxGapMs = 0;
    std::size_t FixCount = 0;
};

Settings ReadSettings(InputReader& in)
{
    Settings s;
    s.Camera.BiasMinutes = static_cast<std::int32_t>(in.U16() % 2881) - 1440;
    s.Camera.OffsetMs = static_cast<std::int32_t>(in.U32());
    s.MaxGapMs = std::int64_t{in.U16()} * 1000;
    s.FixCount = in.U8() % (kMaxFixes + 1);
    return s;
}

// Fixes around the moment, as a decoded table holds them: local day counts in Japan's zone.
std::vector<TGpsFix> FixesAround(InputReader& in, std::size_t count, std::int64_t utcMs)
{
    std::vector<TGpsFix> fixes;
    for (std::size_t i = 0; i < count; ++i) {
        const auto step = static_cast<std::int16_t>(in.U16());
        const auto lat = static_cast<std::int32_t>(in.U32());
        const auto lon = static_cast<std::int32_t>(in.U32());
        const auto height = static_cast<std::int16_t>(in.U16());
        TGpsFix f{};
        const std::int64_t localMs = utcMs + std::int64_t{step} * 100 + 540 * 60000;
        f.Time = static_cast<double>(localMs) / static_cast<double>(kMsPerDay);
        f.FixType = in.U8();
        f.Latitude = lat / 2147483648.0 * 95.0;
        f.Longitude = lon / 2147483648.0 * 185.0;
        f.ExtraValue = height == -32768 ? std::nanf("") : static_cast<float>(height) / 10.0f;
        fixes.push_back(f);
    }
    return fixes;
}

void CheckPlacement(const Placement& p)
{
    if (p.Kind != PlaceKind::OnTrack)
        return;
    Check(std::isfinite(p.Point.LatDeg) && p.Point.LatDeg >= -90 && p.Point.LatDeg <= 90,
          "placed latitude within -90..90");
    Check(std::isfinite(p.Point.LonDeg) && p.Point.LonDeg >= -180 && p.Point.LonDeg <= 180,
          "placed longitude within -180..180");
    Check(!p.Point.HeightM || std::isfinite(*p.Point.HeightM), "placed height finite");
}

// A copy that would replace the photo.
void CheckAccepted(std::string_view photo, std::string_view written, const GpsTags& tags)
{
    const PhotoMeta before = InspectPhoto(photo);
    const PhotoMeta after = InspectPhoto(written);
    Check(after.Parsed && after.HasGps, "accepted copy reads with a position");
    Check(after.InPlace == before.InPlace && ImageFormatOf(written) == ImageFormatOf(photo),
          "accepted copy of the same format");
    Check(after.HasClock == before.HasClock && after.Clock.DateTime == before.Clock.DateTime &&
              after.Clock.SubSec == before.Clock.SubSec &&
              after.Clock.Offset == before.Clock.Offset,
          "accepted copy keeps the clock tags");
    Check(SameImageData(photo, written), "accepted copy keeps the image data");
    GpsTags other = tags;
    other.Longitude[2].Num ^= 1;
    Check(!ReadsBackAs(photo, written, other), "accepted copy holds only the meant position");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    InputReader in(data, size);
    const Settings settings = ReadSettings(in);
    const std::size_t fixBytes = settings.FixCount * kFixBytes;
    const std::size_t photoAt = std::min(size, kHeaderBytes + fixBytes);
    const std::string_view photo(reinterpret_cast<const char*>(data) + photoAt, size - photoAt);

    const PhotoMeta meta = InspectPhoto(photo);
    const std::optional<PhotoMoment> moment = PhotoMomentOf(meta.Clock, settings.Camera);
    Check(!moment || meta.HasClock, "a moment only from a clock tag");
    const std::int64_t utcMs = moment ? moment->UtcMs : 44319 * kMsPerDay;
    const PhotoTrack track(FixesAround(in, settings.FixCount, utcMs), -540);
    const Placement placement = track.Place(utcMs, settings.MaxGapMs);
    CheckPlacement(placement);
    if (placement.Kind != PlaceKind::OnTrack)
        return 0;
    const GpsTags tags =
        MakeGpsTags(placement.Point.LatDeg, placement.Point.LonDeg, placement.Point.HeightM, utcMs);
    std::string written, sidecar;
    const ByteSink toWritten = [&written](std::string_view made) {
        written.append(made);
        return true;
    };
    const ByteSink toSidecar = [&sidecar](std::string_view made) {
        sidecar.append(made);
        return true;
    };
    if (WritePhotoWithGps(photo, tags, toWritten) == PhotoWrite::Written)
        if (ReadsBackAs(photo, written, tags))
            CheckAccepted(photo, written, tags);
    if (WriteSidecarWithGps(photo, tags, toSidecar))
        if (SidecarReadsBackAs(photo, sidecar, tags))
            Check(SidecarHasGps(sidecar).value_or(false), "accepted sidecar holds a position");
    return 0;
}
