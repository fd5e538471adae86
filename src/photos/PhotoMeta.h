#pragma once

#include "photos/GpsTags.h"
#include "photos/PhotoTime.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

// A photo's metadata read and written with Exiv2, on bytes in memory: the files themselves are
// read and replaced elsewhere. No Exiv2 type leaves this interface, and no Exiv2 exception: a
// photo Exiv2 cannot read or write is a result.

struct PhotoMeta {
    bool Recognised = false; // Exiv2 knows the format
    bool Parsed = false;     // and read the metadata without an error
    bool InPlace = false;    // a JPEG or PNG: tags are written into the photo itself
    bool RawType = false;    // a format that only raw files use (CR2, CRW, ORF, RAF, RW2, MRW)
    bool HasClock = false;   // DateTimeOriginal is there
    PhotoClock Clock;
    bool HasGps = false; // a GPS latitude or longitude, in EXIF or in the photo's XMP
    // The EXIF GPS position (degrees, north and east positive), when both coordinates and their
    // references read as a position.
    std::optional<std::pair<double, double>> GpsLatLonDeg;
};

// What Exiv2 finds in the bytes of a photo.
[[nodiscard]] PhotoMeta InspectPhoto(std::string_view bytes);

// Takes the bytes of a new file in one piece; false when they cannot be kept.
using ByteSink = std::function<bool(std::string_view bytes)>;

// A copy of the photo with the GPS tags (version 2.3.0.0, map datum WGS-84) in place of any it
// had; everything else is kept. Nothing when Exiv2 cannot write it.
[[nodiscard]] std::optional<std::string> PhotoWithGps(std::string_view photo, const GpsTags& tags);
// The same copy handed to `sink` where Exiv2 made it, without copying it; false when Exiv2 cannot
// write it or the sink refuses it.
[[nodiscard]] bool WritePhotoWithGps(std::string_view photo, const GpsTags& tags,
                                     const ByteSink& sink);

// True when the written copy reads back with exactly these GPS tags and keeps the rest of the
// original: every other EXIF tag (maker notes included) with its value, the thumbnail, the ICC
// profile, the XMP properties, the IPTC data and the comment, and the image data byte for byte.
[[nodiscard]] bool ReadsBackAs(std::string_view original, std::string_view written,
                               const GpsTags& tags);

// XMP sidecars. `existing` is the sidecar already beside the photo, empty when there is none.
// Nothing when the existing text is not XMP Exiv2 reads (it is left alone).
[[nodiscard]] std::optional<std::string> SidecarWithGps(std::string_view existing,
                                                        const GpsTags& tags);
[[nodiscard]] bool WriteSidecarWithGps(std::string_view existing, const GpsTags& tags,
                                       const ByteSink& sink);
// True when the written sidecar holds exactly these GPS properties and every other property of
// the existing one.
[[nodiscard]] bool SidecarReadsBackAs(std::string_view existing, std::string_view written,
                                      const GpsTags& tags);
// Whether a sidecar holds a GPS position; nothing when it is not XMP Exiv2 reads.
[[nodiscard]] std::optional<bool> SidecarHasGps(std::string_view sidecar);
