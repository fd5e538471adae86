// Geotagging 200 photos of about 4 MB against copying them: each iteration copies every photo
// (read, write a new file, as cp does), copies them again waiting for each copy to reach the disk,
// and then tags every photo in place as the command line does (--overwrite, so the same files
// serve every iteration), each replaced through a synced temporary file that is read back. The time
// reported is the tagging's; the counters give all three and the ratios to both copies, which
// should stay at or below 2.
#include "photos/Geotag.h"
#include "support/PhotoWriter.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int kPhotos = 200;
constexpr std::size_t kPhotoBytes = 4u << 20;
constexpr std::int64_t kTakenUtcMs = 44319LL * 86400000 + 2500; // 2021-05-03 00:00:02.500

// Full camera metadata; built out of line (GCC 12 warns wrongly about string literals assigned
// inline here, -Wrestrict).
[[gnu::noinline]] t2ntest::CameraTags TakenTags()
{
    t2ntest::CameraTags tags;
    tags.DateTimeOriginal = std::string("2021:05:03 09:00:02");
    tags.SubSec = std::string("5");
    tags.MakerNote = tags.Thumbnail = tags.Icc = true;
    return tags;
}

struct PhotoFolder {
    fs::path Folder;
    std::vector<std::string> Photos;
    std::size_t Bytes = 0;

    PhotoFolder()
        : Folder(fs::temp_directory_path() /
                 ("t2n-bench-photos-" + std::to_string(::getpid()) + "/"))
    {
        fs::create_directories(Folder);
        const t2ntest::CameraTags tags = TakenTags();
        const std::string photo =
            t2ntest::WithCameraTags(t2ntest::MakeLargeJpeg(kPhotoBytes), tags);
        for (int i = 0; i < kPhotos; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "IMG_%04d.JPG", 1000 + i);
            Photos.push_back((Folder / name).string());
            std::FILE* file = std::fopen(Photos.back().c_str(), "wb");
            std::fwrite(photo.data(), 1, photo.size(), file);
            std::fclose(file);
        }
        Bytes = photo.size() * kPhotos;
    }
    ~PhotoFolder() { fs::remove_all(Folder); }
};

// As cp copies; `synced` then waits for the copy to reach the disk, as a tagged photo does.
void CopyFile(const std::string& from, const std::string& to, bool synced)
{
    static std::vector<char> buffer(1 << 20);
    std::FILE* in = std::fopen(from.c_str(), "rb");
    std::FILE* out = std::fopen(to.c_str(), "wb");
    for (std::size_t n = 0; (n = std::fread(buffer.data(), 1, buffer.size(), in)) > 0;)
        std::fwrite(buffer.data(), 1, n, out);
    std::fclose(in);
    std::fflush(out);
    if (synced && ::fsync(::fileno(out)) != 0)
        std::perror("fsync");
    std::fclose(out);
}

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void BM_GeotagAgainstCopy(benchmark::State& state)
{
    const PhotoFolder folder;
    const fs::path copies = folder.Folder / "copies";
    fs::create_directories(copies);
    // Two fixes a few seconds either side of the photos.
    TGpsFix first{}, second{};
    first.Time = static_cast<double>(kTakenUtcMs - 3000 + 540 * 60000) / 86400000.0;
    second.Time = first.Time + 6000.0 / 86400000.0;
    first.FixType = second.FixType = 3;
    first.Latitude = 35.6;
    second.Latitude = 35.601;
    first.Longitude = 139.7;
    second.Longitude = 139.702;
    const TGpsFix fixes[] = {first, second};
    const PhotoTrack track(fixes, -540);
    GeotagSettings settings;
    settings.Overwrite = true;
    double copySeconds = 0, syncedSeconds = 0, tagSeconds = 0;
    for (auto _ : state) {
        for (const bool synced : {false, true}) {
            const auto copyStart = std::chrono::steady_clock::now();
            for (const std::string& photo : folder.Photos)
                CopyFile(photo, (copies / fs::path(photo).filename()).string(), synced);
            (synced ? syncedSeconds : copySeconds) += Seconds(copyStart);
            ::sync(); // nothing of one step left for the next to write
        }
        const auto tagStart = std::chrono::steady_clock::now();
        TagPhotos(folder.Photos, track, settings, [&](std::size_t, const PhotoOutcome& outcome) {
            if (outcome.Result != GeotagResult::Tagged)
                state.SkipWithError("a photo was not tagged");
        });
        const double tagged = Seconds(tagStart);
        tagSeconds += tagged;
        state.SetIterationTime(tagged);
    }
    const auto n = static_cast<double>(state.iterations());
    state.counters["photos"] = kPhotos;
    state.counters["MB"] = static_cast<double>(folder.Bytes) / 1e6;
    state.counters["copy_s"] = copySeconds / n;
    state.counters["synced_copy_s"] = syncedSeconds / n;
    state.counters["geotag_s"] = tagSeconds / n;
    state.counters["ratio"] = tagSeconds / copySeconds;
    state.counters["ratio_synced"] = tagSeconds / syncedSeconds;
}

} // namespace

BENCHMARK(BM_GeotagAgainstCopy)->UseManualTime()->Iterations(3)->Unit(benchmark::kSecond);
