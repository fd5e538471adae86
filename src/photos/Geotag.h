#pragma once

#include "photos/PhotoTime.h"
#include "photos/PhotoTrack.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class PhotoBackup;

// Photos placed on a log's track: one photo at a time read, placed and, unless asked not to,
// tagged, in the photo itself or in an XMP sidecar beside it. A photo is replaced only by a
// whole new version that read back as meant (the AtomicFile rules), keeping its mode, owner and
// modification time; a raw file is never written.

enum class GeotagResult {
    Tagged,        // the photo holds the position now
    WouldTag,      // it would (a dry run, or a placement without writing)
    Sidecar,       // its sidecar holds the position now
    AlreadyTagged, // it (or its sidecar) has a position, and overwriting was not asked for
                   // (told before its time or place: it keeps its own whatever the settings)
    InGap,         // its moment falls between two fixes too far apart
    OutsideLog,    // its moment lies before or after the log
    NoTime,        // it has no readable DateTimeOriginal
    Empty,         // a file of no bytes
    NotSupported,  // not a photo that can be tagged
    Error,         // see PhotoError
};

enum class PhotoError {
    None,
    Read,         // the photo could not be read (Errno)
    NotAFile,     // a folder, a device or a pipe
    Metadata,     // its metadata could not be read
    Sidecar,      // its sidecar could not be read (Errno), or is not XMP
    Build,        // its new metadata could not be made
    Write,        // the new version could not be written (Errno); the old one is as it was
    Verify,       // the new version did not read back as meant, and was not kept
    ExifSplit,    // a JPEG's EXIF spans several segments, which Exiv2 would not keep whole
    ExifTooLarge, // a JPEG's EXIF with the position would not fit its one segment (64 KiB)
    Backup,       // its original could not be kept (Errno), so it was not replaced
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
    // The camera's zone is the system zone's standard time (taken for want of another): a photo
    // that falls in that zone's summer time is marked (PhotoOutcome::SummerZoneMinutes).
    bool SystemZone = false;
    // Where each file's original is kept before it is replaced; nothing: not kept.
    PhotoBackup* Backup = nullptr;
};

// What reading a photo found; read once, placed as often as the settings change.
struct PhotoInfo {
    std::string Path;
    PhotoError Error = PhotoError::None; // Read, NotAFile or Metadata
    int Errno = 0;
    bool Empty = false;      // the file has no bytes
    bool Recognised = false; // a format the metadata library knows
    bool InPlace = false;    // a format tagged in place
    bool Raw = false;        // a raw file, by its format or its extension
    bool HasClock = false;
    PhotoClock Clock;
    std::string Make, Model;             // the camera's, from its EXIF
    bool Tagged = false;                 // the photo has a position
    std::optional<TrackPoint> HeldPlace; // that position, when it can be read (no time)
    // The sidecar beside it: whether there is one, whether it has a position, and why it cannot
    // be read (PhotoError::Sidecar with SidecarErrno, 0 for a file that is not XMP).
    bool HasSidecar = false;
    bool SidecarTagged = false;
    std::optional<TrackPoint> SidecarPlace; // the sidecar's position, when it can be read
    bool SidecarBroken = false;
    int SidecarErrno = 0;
};

struct PhotoOutcome {
    GeotagResult Result = GeotagResult::Error;
    std::optional<PhotoMoment> Moment; // when the photo has a time
    std::optional<TrackPoint> Place;   // when the track holds its moment, or see PlaceHeld
    // An already tagged photo: Place is the position it (or its sidecar) holds, not the log's,
    // whatever the clock error; its UtcMs is the photo's moment, when it has one.
    bool PlaceHeld = false;
    PhotoWay Way = PhotoWay::NotSupported;
    PhotoError Error = PhotoError::None;
    int Errno = 0;
    // The system zone's summer offset (east minutes) when the photo, placed in its standard time
    // for want of a zone of its own, falls in its summer time: a camera set to summer time is
    // placed right with that zone.
    std::optional<std::int32_t> SummerZoneMinutes;
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

// What a caller of TagPhotos learns and asks while it runs, from any thread (a signal handler
// reads Written).
struct TaggingProgress {
    std::atomic<int> Written{0};   // photos and sidecars replaced so far, handed to `done` or not
    std::atomic<bool> Stop{false}; // set: no further photo is begun, none more handed to `done`
};

// Tags the photos on up to `threads` threads at once and hands each outcome to `done`, with the
// photo's index, in the photos' order, on the calling thread. Once `progress->Stop` is set, the
// photos begun are finished (written whole or not at all) and the run returns.
void TagPhotos(std::span<const std::string> paths, const PhotoTrack& track,
               const GeotagSettings& settings,
               const std::function<void(std::size_t, const PhotoOutcome&)>& done,
               TaggingProgress* progress = nullptr, int threads = kTaggingThreads);

// Reads the photos on up to `threads` threads at once (each read whole, as ReadPhotoInfo does)
// and hands each one's information to `done`, with its index, in the photos' order, on the
// calling thread.
void ReadPhotoInfos(std::span<const std::string> paths,
                    const std::function<void(std::size_t, const PhotoInfo&)>& done,
                    int threads = kTaggingThreads);

// Photos named once each: a path that leads to a file already taken (the same photo by another
// spelling, a link, or in a folder also given) is left out.
class DistinctPhotos
{
  public:
    // True when the path is to be handled: a file not taken before, or nothing that can be
    // examined (its row says why).
    [[nodiscard]] bool Add(const std::string& path);

  private:
    std::set<std::pair<std::uint64_t, std::uint64_t>> m_taken; // device and file number
};

// The files of a folder that may be photos, by name, not its sub-folders: every regular file but
// hidden ones (a name starting with ".") and XMP sidecars. 0, or the errno value of a folder that
// cannot be read.
[[nodiscard]] int PhotosInFolder(const std::string& folder, std::vector<std::string>& photos);
