#include "photos/Geotag.h"

#include "photos/GpsTags.h"
#include "photos/PhotoBackup.h"
#include "photos/PhotoMeta.h"
#include "system/AtomicFile.h"
#include "system/FileIdentity.h"
#include "system/Files.h"
#include "system/InterruptCleanup.h"
#include "system/Paths.h"
#include "system/Zone.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <thread>

namespace fs = std::filesystem;

namespace {

// Raw formats by extension: most are TIFF files inside, which the metadata library could write.
constexpr std::string_view kRawExtensions[] = {
    "3fr", "ari", "arw", "bay", "cr2", "cr3", "crw", "dcr", "dng", "erf",
    "fff", "iiq", "k25", "kdc", "mef", "mos", "mrw", "nef", "nrw", "orf",
    "pef", "raf", "raw", "rw2", "rwl", "sr2", "srf", "srw", "x3f",
};

// JPEG and PNG by their usual extensions.
constexpr std::string_view kInPlaceExtensions[] = {"jpg", "jpeg", "jpe", "png"};

std::string LowerExtension(const std::string& path)
{
    const std::size_t dot = ExtensionStart(path);
    std::string extension = dot < path.size() ? path.substr(dot + 1) : std::string();
    for (char& c : extension)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return extension;
}

// The whole of a regular file; 0, or the errno value of the failure (EISDIR for anything that
// is not a regular file, ENOENT for nothing there).
int ReadRegularFile(const std::string& path, std::string& bytes)
{
    std::error_code ec;
    const fs::file_status status = fs::status(NativePath(path), ec);
    if (status.type() == fs::file_type::not_found)
        return ENOENT;
    if (ec)
        return ec.default_error_condition().value() != 0 ? ec.default_error_condition().value()
                                                         : EIO;
    if (!fs::is_regular_file(status))
        return EISDIR;
    errno = 0;
    std::FILE* file = OpenForReading(path);
    if (file == nullptr)
        return errno != 0 ? errno : EIO;
    // In one read of the size the file has, and on in pieces should it have grown.
    const std::uintmax_t expected = fs::file_size(NativePath(path), ec);
    bytes.resize(ec ? 0 : static_cast<std::size_t>(expected));
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
    char buffer[1 << 16];
    for (std::size_t n = 0; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        bytes.append(buffer, n);
    const int error = std::ferror(file) != 0 ? (errno != 0 ? errno : EIO) : 0;
    std::fclose(file);
    return error;
}

std::optional<TrackPoint> PlaceOf(const std::optional<GeoPosition>& position)
{
    if (!position)
        return std::nullopt;
    TrackPoint place;
    place.LatDeg = position->LatDeg;
    place.LonDeg = position->LonDeg;
    return place;
}

void ReadSidecar(PhotoInfo& info, std::string& bytes)
{
    std::error_code ec;
    info.HasSidecar = fs::exists(NativePath(SidecarPath(info.Path)), ec);
    if (!info.HasSidecar)
        return;
    info.SidecarErrno = ReadRegularFile(SidecarPath(info.Path), bytes);
    const std::optional<bool> tagged =
        info.SidecarErrno == 0 ? SidecarHasGps(bytes) : std::optional<bool>();
    info.SidecarBroken = !tagged;
    info.SidecarTagged = tagged.value_or(false);
    if (info.SidecarTagged)
        info.SidecarPlace = PlaceOf(SidecarPosition(bytes));
}

// The photo's information, with its bytes and its sidecar's for the writing.
PhotoInfo ReadPhoto(const std::string& path, std::string& bytes, std::string& sidecar)
{
    PhotoInfo info;
    info.Path = path;
    info.Errno = ReadRegularFile(path, bytes);
    if (info.Errno != 0) {
        info.Error = info.Errno == EISDIR ? PhotoError::NotAFile : PhotoError::Read;
        info.Errno = info.Error == PhotoError::NotAFile ? 0 : info.Errno;
        return info;
    }
    info.Empty = bytes.empty();
    const PhotoMeta meta = InspectPhoto(bytes);
    info.Recognised = meta.Recognised;
    info.InPlace = meta.InPlace;
    info.Raw = meta.RawType || IsRawName(path);
    info.HasClock = meta.HasClock;
    info.Clock = meta.Clock;
    info.Make = meta.Make;
    info.Model = meta.Model;
    info.Tagged = meta.HasGps;
    info.HeldPlace = PlaceOf(meta.Position);
    if (meta.Recognised && !meta.Parsed)
        info.Error = PhotoError::Metadata;
    ReadSidecar(info, sidecar);
    return info;
}

PhotoWay WayOf(const PhotoInfo& info, const GeotagSettings& settings)
{
    if (!info.Recognised)
        return PhotoWay::NotSupported;
    if (info.Raw || settings.Sidecar)
        return PhotoWay::Sidecar;
    return info.InPlace ? PhotoWay::InPlace : PhotoWay::NotSupported;
}

PhotoError MadeError(PhotoWrite written)
{
    switch (written) {
    case PhotoWrite::Written:
        return PhotoError::None;
    case PhotoWrite::ExifSplit:
        return PhotoError::ExifSplit;
    case PhotoWrite::ExifTooLarge:
        return PhotoError::ExifTooLarge;
    case PhotoWrite::Failed:
        break;
    }
    return PhotoError::Build;
}

// The system zone's offset (east minutes) at a photo's moment when that is its summer time and
// the photo holds no zone of its own.
std::optional<std::int32_t> SummerZoneAt(const PhotoMoment& moment)
{
    if (moment.ZoneFromPhoto)
        return std::nullopt;
    const std::int32_t bias = ZoneBiasAt(FloorToSecond(moment.UtcMs - kUnixEpochMs) / kMsPerSecond);
    return bias < StandardTimeZoneBias() ? std::optional(-bias) : std::nullopt;
}

// A photo that holds a position (or whose sidecar does, where its tags go) and is not to be
// overwritten: already tagged, at that position, whatever the track says.
bool Held(const PhotoInfo& info, PhotoOutcome& outcome, const GeotagSettings& settings)
{
    const bool toSidecar = outcome.Way == PhotoWay::Sidecar;
    if (settings.Overwrite || (toSidecar && info.SidecarBroken) ||
        !(info.Tagged || (toSidecar && info.SidecarTagged)))
        return false;
    outcome.Result = GeotagResult::AlreadyTagged;
    outcome.Place = toSidecar && info.SidecarTagged ? info.SidecarPlace : info.HeldPlace;
    outcome.PlaceHeld = outcome.Place.has_value();
    if (outcome.Place && outcome.Moment)
        outcome.Place->UtcMs = outcome.Moment->UtcMs;
    return true;
}

PhotoOutcome Failed(PhotoOutcome outcome, PhotoError error, int errnoValue = 0)
{
    outcome.Result = GeotagResult::Error;
    outcome.Error = error;
    outcome.Errno = errnoValue;
    return outcome;
}

} // namespace

std::string SidecarPath(const std::string& photo) { return photo + ".xmp"; }

bool IsRawName(const std::string& path)
{
    const std::string extension = LowerExtension(path);
    return std::find(std::begin(kRawExtensions), std::end(kRawExtensions), extension) !=
           std::end(kRawExtensions);
}

std::span<const std::string_view> RawExtensions() { return kRawExtensions; }

std::span<const std::string_view> InPlaceExtensions() { return kInPlaceExtensions; }

PhotoInfo ReadPhotoInfo(const std::string& path)
{
    std::string bytes, sidecar;
    return ReadPhoto(path, bytes, sidecar);
}

PhotoOutcome PlacePhoto(const PhotoInfo& info, const PhotoTrack& track,
                        const GeotagSettings& settings)
{
    PhotoOutcome outcome;
    if (info.Error != PhotoError::None)
        return Failed(outcome, info.Error, info.Errno);
    outcome.Way = WayOf(info, settings);
    if (outcome.Way == PhotoWay::NotSupported) {
        outcome.Result = info.Empty ? GeotagResult::Empty : GeotagResult::NotSupported;
        return outcome;
    }
    const CameraClock camera{settings.CameraBiasMinutes.value_or(track.BiasMinutes()),
                             settings.CameraOffsetMs};
    outcome.Moment = PhotoMomentOf(info.Clock, camera);
    if (Held(info, outcome, settings))
        return outcome;
    if (!outcome.Moment) {
        outcome.Result = GeotagResult::NoTime;
        return outcome;
    }
    if (settings.SystemZone)
        outcome.SummerZoneMinutes = SummerZoneAt(*outcome.Moment);
    const Placement placement = track.Place(outcome.Moment->UtcMs, settings.MaxGapMs);
    if (placement.Kind != PlaceKind::OnTrack) {
        outcome.Result =
            placement.Kind == PlaceKind::InGap ? GeotagResult::InGap : GeotagResult::OutsideLog;
        return outcome;
    }
    outcome.Place = placement.Point;
    if (outcome.Way == PhotoWay::Sidecar && info.SidecarBroken)
        return Failed(outcome, PhotoError::Sidecar, info.SidecarErrno);
    outcome.Result = GeotagResult::WouldTag;
    return outcome;
}

namespace {

// Replaces `target` with what `make` writes into its sink (PhotoError::None when it made it
// whole) once it reads back as `check` wants and its original is kept (when `backup` is given);
// the outcome's result becomes `done`, or the error.
template <class Make, class Check>
PhotoOutcome Replace(PhotoOutcome outcome, const std::string& target, ReplaceRules rules,
                     GeotagResult done, std::atomic<int>* written, PhotoBackup* backup,
                     const Make& make, const Check& check)
{
    AtomicFile file(target, rules);
    if (!file.Open())
        return Failed(outcome, PhotoError::Write, file.Errno());
    const PhotoError made =
        make([&file](std::string_view bytes) { return file.Write(bytes.data(), bytes.size()); });
    if (file.Errno() != 0)
        return Failed(outcome, PhotoError::Write, file.Errno());
    if (made != PhotoError::None)
        return Failed(outcome, made);
    std::string readBack;
    if (!file.ReadBack(readBack) || !check(readBack))
        return Failed(outcome, PhotoError::Verify);
    if (const int error = backup != nullptr ? backup->Keep(target) : 0)
        return Failed(outcome, PhotoError::Backup, error);
    {
        // Counted with the rename, before an interrupt's note reads the count.
        const DeferredInterrupts deferred;
        if (!file.Commit())
            return Failed(outcome, PhotoError::Write, file.Errno());
        if (written != nullptr)
            ++*written;
    }
    if (backup != nullptr)
        backup->Replaced(target, readBack);
    outcome.Result = done;
    return outcome;
}

// Tags one photo; `written` counts it once it is replaced.
PhotoOutcome TagOne(const std::string& path, const PhotoTrack& track,
                    const GeotagSettings& settings, std::atomic<int>* written)
{
    std::string photo, sidecar;
    const PhotoInfo info = ReadPhoto(path, photo, sidecar);
    PhotoOutcome outcome = PlacePhoto(info, track, settings);
    if (outcome.Result != GeotagResult::WouldTag || settings.DryRun)
        return outcome;
    const TrackPoint& at = *outcome.Place;
    const GpsTags tags = MakeGpsTags(at.LatDeg, at.LonDeg, at.HeightM, outcome.Moment->UtcMs);
    if (outcome.Way == PhotoWay::Sidecar)
        return Replace(
            outcome, SidecarPath(path), {false, true}, GeotagResult::Sidecar, written,
            settings.Backup,
            [&](const ByteSink& sink) {
                return WriteSidecarWithGps(sidecar, tags, sink) ? PhotoError::None
                                                                : PhotoError::Build;
            },
            [&](const std::string& back) { return SidecarReadsBackAs(sidecar, back, tags); });
    return Replace(
        outcome, path, {true, true}, GeotagResult::Tagged, written, settings.Backup,
        [&](const ByteSink& sink) { return MadeError(WritePhotoWithGps(photo, tags, sink)); },
        [&](const std::string& back) { return ReadsBackAs(photo, back, tags); });
}

} // namespace

PhotoOutcome TagPhoto(const std::string& path, const PhotoTrack& track,
                      const GeotagSettings& settings)
{
    return TagOne(path, track, settings, nullptr);
}

namespace {

// Runs `work` for every index below `count` on up to `threads` threads at once and hands each
// result to `done`, with its index, in the indices' order, on the calling thread.
template <class Result, class Work>
void InOrder(std::size_t count, int threads, const Work& work,
             const std::function<void(std::size_t, const Result&)>& done,
             const std::atomic<bool>* stop = nullptr)
{
    const auto stopped = [stop] { return stop != nullptr && stop->load(); };
    std::vector<std::optional<Result>> results(count);
    std::mutex lock;
    std::condition_variable finished;
    std::atomic<std::size_t> next{0};
    const auto run = [&] {
        for (std::size_t i; !stopped() && (i = next++) < count;) {
            Result result = work(i);
            const std::lock_guard<std::mutex> held(lock);
            results[i] = std::move(result);
            finished.notify_one();
        }
    };
    std::vector<std::thread> workers;
    const auto most = static_cast<std::size_t>(std::max(threads, 1));
    for (std::size_t t = 0; t < std::min(most, count); ++t)
        workers.emplace_back(run);
    for (std::size_t i = 0; i < count && !stopped(); ++i) {
        std::unique_lock<std::mutex> held(lock);
        finished.wait(held, [&] { return results[i].has_value() || stopped(); });
        if (!results[i])
            break;
        const Result result = std::move(*results[i]);
        results[i].reset();
        held.unlock();
        done(i, result);
    }
    for (std::thread& worker : workers)
        worker.join();
}

} // namespace

void TagPhotos(std::span<const std::string> paths, const PhotoTrack& track,
               const GeotagSettings& settings,
               const std::function<void(std::size_t, const PhotoOutcome&)>& done,
               TaggingProgress* progress, int threads)
{
    InOrder<PhotoOutcome>(
        paths.size(), threads,
        [&](std::size_t i) {
            try {
                return TagOne(paths[i], track, settings,
                              progress != nullptr ? &progress->Written : nullptr);
            } catch (const std::exception&) { // out of memory: the photo is as it was
                return Failed({}, PhotoError::Build);
            }
        },
        done, progress != nullptr ? &progress->Stop : nullptr);
}

void ReadPhotoInfos(std::span<const std::string> paths,
                    const std::function<void(std::size_t, const PhotoInfo&)>& done, int threads)
{
    InOrder<PhotoInfo>(
        paths.size(), threads,
        [&](std::size_t i) {
            try {
                return ReadPhotoInfo(paths[i]);
            } catch (const std::exception&) { // out of memory
                PhotoInfo info;
                info.Path = paths[i];
                info.Error = PhotoError::Read;
                info.Errno = ENOMEM;
                return info;
            }
        },
        done);
}

bool DistinctPhotos::Add(const std::string& path)
{
    const std::optional<FileIdentity> identity = IdentityOf(path);
    return !identity || m_taken.emplace(identity->Device, identity->File).second;
}

int PhotosInFolder(const std::string& folder, std::vector<std::string>& photos)
{
    std::error_code ec;
    std::vector<fs::path> names;
    for (fs::directory_iterator it(NativePath(folder), ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = Utf8Path(it->path().filename());
        // A link to nothing is listed: its line says so.
        std::error_code typeError;
        const bool dangling = it->is_symlink(typeError) && !it->exists(typeError);
        if (name.empty() || name.front() == '.' || LowerExtension(name) == "xmp" ||
            !(it->is_regular_file(typeError) || dangling))
            continue;
        names.push_back(it->path());
    }
    if (ec)
        return ec.default_error_condition().value() != 0 ? ec.default_error_condition().value()
                                                         : EIO;
    std::sort(names.begin(), names.end());
    for (const fs::path& name : names)
        photos.push_back(Utf8Path(name));
    return 0;
}
