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

struct GeoPosition {
    double LatDeg = 0;
    double LonDeg = 0;
};

struct PhotoMeta {
    bool Recognised = false; // Exiv2 knows the format
    bool Parsed = false;     // and read the metadata without an error
    bool InPlace = false;    // a JPEG or PNG: tags are written into the photo itself
    bool RawType = false;    // a format that only raw files use (CR2, CRW, ORF, RAF, RW2, MRW)
    bool HasClock = false;   // DateTimeOriginal is there
    PhotoClock Clock;
    bool HasGps = false; // a GPS latitude or longitude, in EXIF or in the photo's XMP
    // The position it holds (degrees, north and east positive) when it can be read whole.
    std::optional<GeoPosition> Position;
    std::string Make, Model; // the camera's, as EXIF names it; empty when it does not
};

// What Exiv2 finds in the bytes of a photo.
[[nodiscard]] PhotoMeta InspectPhoto(std::string_view bytes);
// The bytes of the small picture a camera keeps in the EXIF (IFD1, usually a JPEG); empty when
// there is none or it cannot be read.
[[nodiscard]] std::string ExifThumbnail(std::string_view bytes);

// Takes the bytes of a new file in one piece; false when they cannot be kept.
using ByteSink = std::function<bool(std::string_view bytes)>;

// What writing a photo's tags came to.
enum class PhotoWrite {
    Written,
    Failed,       // Exiv2 cannot write it, or the sink refused the bytes
    ExifSplit,    // a JPEG whose EXIF spans more than one APP1 segment: Exiv2 reads the first only
    ExifTooLarge, // a JPEG whose EXIF with the tags would not fit one APP1 segment (64 KiB)
};

// A copy of the photo with the GPS tags (version 2.3.0.0, map datum WGS-84) in place of any it
// had, handed to `sink` in pieces, the image data without copying it. Exiv2 encodes the EXIF
// block (and the XMP packet, when it held a position, which goes); they replace the photo's own,
// a PNG's in a standard eXIf chunk, and every other segment or chunk is copied byte for byte
// (SplicePhoto).
[[nodiscard]] PhotoWrite WritePhotoWithGps(std::string_view photo, const GpsTags& tags,
                                           const ByteSink& sink);

// True when the written copy reads back with exactly these GPS tags and keeps the rest of the
// original: every other EXIF tag (maker notes included) with its value, the thumbnail whole, the
// ICC profile, the XMP properties, the IPTC data and the comment; one EXIF part, every segment or
// chunk but the EXIF and XMP ones byte for byte, and the image data byte for byte.
[[nodiscard]] bool ReadsBackAs(std::string_view original, std::string_view written,
                               const GpsTags& tags);

// XMP sidecars. `existing` is the sidecar already beside the photo, empty when there is none.
// False when the existing text is not XMP Exiv2 reads (it is left alone).
[[nodiscard]] bool WriteSidecarWithGps(std::string_view existing, const GpsTags& tags,
                                       const ByteSink& sink);
// True when the written sidecar holds exactly these GPS properties and every other property of
// the existing one.
[[nodiscard]] bool SidecarReadsBackAs(std::string_view existing, std::string_view written,
                                      const GpsTags& tags);
// Whether a sidecar holds a GPS position; nothing when it is not XMP Exiv2 reads.
[[nodiscard]] std::optional<bool> SidecarHasGps(std::string_view sidecar);
// The position a sidecar holds, when it can be read whole.
[[nodiscard]] std::optional<GeoPosition> SidecarPosition(std::string_view sidecar);
// An XMP GPS coordinate, "DDD,MM,SSk" or "DDD,MM.mmk" with k one of N, S, E, W, in degrees
// (south and west negative); nothing for any other text.
[[nodiscard]] std::optional<double> XmpCoordinate(std::string_view text);
