#pragma once

#include "photos/PhotoTime.h"
#include "photos/PhotoTrack.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Photos placed on a log's track: one photo at a time read, placed and, unless asked not to,
// tagged, in the photo itself or in an XMP sidecar beside it. A photo is replaced only by a
// whole new version that read back as meant (the AtomicFile rules), keeping its mode, owner and
// modification time; a raw file is never written.

enum class GeotagResult {
    Tagged,        // the photo holds the position now
    WouldTag,      // it would (a dry run, or a placement without writing)
    Sidecar,       // its sidecar holds the position now
    AlreadyTagged, // it (or its sidecar) has a position, and overwriting was not asked for
    InGap,         // its moment falls between two fixes too far apart
    OutsideLog,    // its moment lies before or after the log
    NoTime,        // it has no readable DateTimeOriginal
    NotSupported,  // not a photo that can be tagged
    Error,         // see PhotoError
};

enum class PhotoError {
    None,
    Read,     // the photo could not be read (Errno)
    NotAFile, // a folder, a device or a pipe
    Metadata, // its metadata could not be read
    Sidecar,  // its sidecar could not be read (Errno), or is not XMP
    Build,    // its new metadata could not be made
    Write,    // the new version could not be written (Errno); the old one is as it was
    Verify,   // the new version did not read back as meant, and was not kept
};

// Where a photo's tags go.
enum class PhotoWay {
    NotSupported,
    InPlace, // into the photo: a JPEG or a PNG
    Sidecar, // into NAME.xmp: a raw file, or any photo when asked
};

struct GeotagSettings {
    // The camera's zone (UTC = camera time + bias); nothing: the zone of the log's local times.
    std::optional<std::int32_t> CameraBiasMinutes;
    std::int64_t CameraOffsetMs = 0; // camera minus true time
    std::int64_t MaxGapMs = kDefaultMaxGapMs;
    bool DryRun = false;    // write nothing
    bool Sidecar = false;   // every photo's tags go to its sidecar
    bool Overwrite = false; // tag photos that have a position already
};

// What reading a photo found; read once, placed as often as the settings change.
struct PhotoInfo {
    std::string Path;
    PhotoError Error = PhotoError::None; // Read, NotAFile or Metadata
    int Errno = 0;
    bool Recognised = false; // a format the metadata library knows
    bool InPlace = false;    // a format tagged in place
    bool Raw = false;        // a raw file, by its format or its extension
    bool HasClock = false;
    PhotoClock Clock;
    bool Tagged = false; // the photo has a position
    // Where its EXIF GPS tags place it (latitude, longitude in degrees), when they do.
    std::optional<std::pair<double, double>> LatLonDeg;
    // The sidecar beside it: whether there is one, whether it has a position, and why it cannot
    // be read (PhotoError::Sidecar with SidecarErrno, 0 for a file that is not XMP).
    bool HasSidecar = false;
    bool SidecarTagged = false;
    bool SidecarBroken = false;
    int SidecarErrno = 0;
};

struct PhotoOutcome {
    GeotagResult Result = GeotagResult::Error;
    std::optional<PhotoMoment> Moment; // when the photo has a time
    std::optional<TrackPoint> Place;   // when the track holds its moment
    PhotoWay Way = PhotoWay::NotSupported;
    PhotoError Error = PhotoError::None;
    int Errno = 0;
};

// "NAME.xmp": the photo's whole name with ".xmp" after it, so IMG_1.CR2 and IMG_1.JPG taken
// together get a sidecar each.
[[nodiscard]] std::string SidecarPath(const std::string& photo);
// The extension of a raw camera format (any letter case).
[[nodiscard]] bool IsRawName(const std::string& path);
// The extensions of the raw camera formats, in lower case without the dot.
[[nodiscard]] std::span<const std::string_view> RawExtensions();
// The extensions of the photos tagged in place, in lower case without the dot.
[[nodiscard]] std::span<const std::string_view> InPlaceExtensions();

[[nodiscard]] PhotoInfo ReadPhotoInfo(const std::string& path);
// The photo's moment, position and what would be done, writing nothing: WouldTag when it would
// be tagged, else why not.
[[nodiscard]] PhotoOutcome PlacePhoto(const PhotoInfo& info, const PhotoTrack& track,
                                      const GeotagSettings& settings);
// Reads, places and (unless a dry run) tags one photo.
[[nodiscard]] PhotoOutcome TagPhoto(const std::string& path, const PhotoTrack& track,
                                    const GeotagSettings& settings);

// Photos tagged at the same time, so that one's read and check overlap another's wait for the
// disk: enough to keep two cores busy.
constexpr int kTaggingThreads = 4;

// Tags the photos on up to `threads` threads at once and hands each outcome to `done`, with the
// photo's index, in the photos' order, on the calling thread.
void TagPhotos(std::span<const std::string> paths, const PhotoTrack& track,
               const GeotagSettings& settings,
               const std::function<void(std::size_t, const PhotoOutcome&)>& done,
               int threads = kTaggingThreads);

// Reads the photos on up to `threads` threads at once (each read whole, as ReadPhotoInfo does)
// and hands each one's information to `done`, with its index, in the photos' order, on the
// calling thread.
void ReadPhotoInfos(std::span<const std::string> paths,
                    const std::function<void(std::size_t, const PhotoInfo&)>& done,
                    int threads = kTaggingThreads);

// The files of a folder that may be photos, by name, not its sub-folders: every regular file but
// hidden ones (a name starting with ".") and XMP sidecars. 0, or the errno value of a folder that
// cannot be read.
[[nodiscard]] int PhotosInFolder(const std::string& folder, std::vector<std::string>& photos);
