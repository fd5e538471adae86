// The window on the offscreen platform with full logs: a log loaded through the window up to
// the drawn window, the overview drawn after a resize, and drawn again after one of the twelve
// controls changed; and a few hundred photos placed again on a day's outings as the camera's
// clock error changes, the overview drawn with their marks; the speed and height profile drawn
// again as the timeline zooms and as the pointer moves over it. The logs: eight outings of a day
// and a half, the dense 10 Hz block and sector logs, noisy block and sector logs of over 800 trips
// with random jumps (three seeds each), and a month of 48 trips.

#include "BenchLogs.h"
#include "PrivateSettings.h"
#include "app/Dialogs.h"
#include "app/FormMain.h"
#include "app/overview/Overview.h"
#include "app/overview/ProfileView.h"
#include "app/overview/TimelineView.h"
#include "app/overview/TrackView.h"
#include "app/photos/PhotoPanel.h"
#include "convert/ConversionService.h"
#include "map/TileSource.h"
#include "support/OutingsLog.h"
#include "support/PhotoWriter.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QSpinBox>
#include <QWheelEvent>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <unistd.h>

namespace {

struct BenchLog {
    std::string Name; // also the file's name, whose extension picks the format
    std::function<std::vector<std::uint8_t>()> Make;
};

std::vector<BenchLog> BenchLogs()
{
    std::vector<BenchLog> logs{
        {"outings.bin", MakeOutingsBlockLog},
        {"month.bin", [] { return t2ntest::OutingsLog(12, 2); }},
        {"dense.bin", MakeBlockLog},
        {"dense.bnx4", MakeSectorLog},
    };
    for (const std::uint32_t seed : {1u, 2u, 3u}) {
        const std::string suffix = "-seed" + std::to_string(seed);
        logs.push_back({"noisy" + suffix + ".bin", [seed] { return MakeNoisyBlockLog(seed); }});
        logs.push_back({"noisy" + suffix + ".bnx4", [seed] { return MakeNoisySectorLog(seed); }});
    }
    return logs;
}

std::filesystem::path LogFolder()
{
    static const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("t2n-window-bench-" + std::to_string(getpid()));
    return folder;
}

// The log's file, written the first time it is asked for.
std::string LogPath(const BenchLog& log)
{
    const std::filesystem::path path = LogFolder() / log.Name;
    if (!std::filesystem::exists(path)) {
        std::filesystem::create_directories(LogFolder());
        WriteFile(path.string(), log.Make());
    }
    return path.string();
}

// Answers the open dialog with the benchmark's log and declines the week repair.
class BenchDialogs final : public Dialogs
{
  public:
    QString Log;

    std::optional<QString> AskOpenPath(QWidget*, const QString&) override { return Log; }
    QStringList AskPhotoPaths(QWidget*, const QString&) override { return {}; }
    std::optional<SaveChoice> AskSavePath(QWidget*, const QString&, const QString&,
                                          OutputType) override
    {
        return {};
    }
    std::optional<QString> AskFolder(QWidget*, const QString&) override { return std::nullopt; }
    void ShowError(QWidget*, const QString&) override {}
    void ShowInformation(QWidget*, const QString&) override {}
    bool AskOverwrite(QWidget*, const QString&) override { return false; }
    bool AskWeekRepair(QWidget*, const QString&) override { return false; }
    bool AskReadAsOther(QWidget*, const QString&, const QString&) override { return false; }
    bool AskGoOnline(QWidget*, const QString&) override { return false; }
    std::optional<QString> AskMapPath(QWidget*, const QString&) override { return std::nullopt; }
};

// The window as it opens, the log loaded through its load command.
struct LoadedWindow {
    ConversionService Service;
    BenchDialogs Dialogs;
    TFormMain Form{Service, Dialogs};
    TOverview* Overview = Form.findChild<TOverview*>(QStringLiteral("Overview"));
    QImage Image;

    explicit LoadedWindow(const std::string& log, QSize size = {788, 640})
    {
        Dialogs.Log = QString::fromStdString(log);
        Form.resize(size);
        Form.show();
        Load();
    }
    void Load()
    {
        Form.ButtonOpenClick();
        QCoreApplication::sendPostedEvents();
        if (Image.size() != Form.size())
            Image = QImage(Form.size(), QImage::Format_ARGB32_Premultiplied);
        Form.render(&Image);
    }
    void DrawOverview() { Overview->render(&Image); }
};

void SetCounters(benchmark::State& state, LoadedWindow& window)
{
    state.counters["fixes"] = window.Service.FixCount();
    state.counters["trips"] = static_cast<double>(window.Service.Trips().Trips.size());
    state.counters["line_points"] = static_cast<double>(
        window.Form.findChild<TrackView*>(QStringLiteral("PaintTrack"))->LinePointCount());
}

// The load command up to the drawn window: read and decode 16 MiB, trips, list, track and
// timeline.
void LoadToOverview(benchmark::State& state, const BenchLog& log)
{
    LoadedWindow window(LogPath(log));
    for (auto _ : state)
        window.Load();
    SetCounters(state, window);
}

// The overview drawn after the window changed its size by a pixel at 1500 x 1100.
void DrawAfterResize(benchmark::State& state, const BenchLog& log)
{
    const QSize large(1500, 1100);
    LoadedWindow window(LogPath(log), large);
    int step = 0;
    for (auto _ : state) {
        window.Form.resize(large - QSize(++step % 2, 0));
        QCoreApplication::sendPostedEvents();
        window.DrawOverview();
    }
    SetCounters(state, window);
}

// The overview drawn again after the start hour changed: the picture and the timeline follow.
void RedrawAfterControlChange(benchmark::State& state, const BenchLog& log)
{
    LoadedWindow window(LogPath(log));
    auto* hour = window.Form.findChild<QSpinBox*>(QStringLiteral("UpDownStaHH"));
    const int loaded = hour->value();
    int step = 0;
    for (auto _ : state) {
        hour->setValue(loaded + (++step % 2) * 3 % 24);
        window.DrawOverview();
    }
    SetCounters(state, window);
}

// The profile alone drawn again at 1500 x 1100, once the timeline zoomed a notch in or out about
// its middle (the profile's columns laid out for the new span and painted), or once the pointer
// moved to the next of 64 places across it (painted with the fix it reads).
void RedrawProfile(benchmark::State& state, const BenchLog& log, bool zoom)
{
    LoadedWindow window(LogPath(log), {1500, 1100});
    auto* timeline = window.Form.findChild<TimelineView*>(QStringLiteral("PaintTimeline"));
    auto* profile = window.Form.findChild<ProfileView*>(QStringLiteral("PaintProfile"));
    QImage image(profile->size(), QImage::Format_ARGB32_Premultiplied);
    const double middle = timeline->StripRect().center().x();
    int step = 0;
    for (auto _ : state) {
        ++step;
        if (zoom) {
            const QPointF at(middle, 10);
            QWheelEvent wheel(at, timeline->mapToGlobal(at), {}, {0, step % 2 == 0 ? -120 : 120},
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(timeline, &wheel);
        } else {
            const QPointF at(profile->width() * (step % 64 + 0.5) / 64, profile->height() / 2.0);
            QMouseEvent move(QEvent::MouseMove, at, profile->mapToGlobal(at), Qt::NoButton,
                             Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(profile, &move);
        }
        profile->render(&image);
    }
    SetCounters(state, window);
    state.counters["profile_columns"] = static_cast<double>(profile->ColumnCount());
    state.counters["profile_height"] = profile->height();
}

// Photos taken along the loaded log's trips, evenly spread over each, on a camera set to the
// window's zone: written into a folder of their own, the first time they are asked for.
QString PhotoFolder(const ConversionService& service, int count)
{
    const std::filesystem::path folder = LogFolder() / ("photos-" + std::to_string(count));
    if (std::filesystem::exists(folder))
        return QString::fromStdString(folder.string());
    std::filesystem::create_directories(folder);
    const std::string jpeg = t2ntest::MakeJpeg(8, 6);
    const std::vector<Trip>& trips = service.Trips().Trips;
    for (int i = 0; i < count; ++i) {
        const Trip& trip = trips[static_cast<std::size_t>(i) % trips.size()];
        const auto share = static_cast<double>(i) / count;
        const CalendarTime t = MillisecondsToCalendar(
            trip.FirstMs +
            static_cast<std::int64_t>(share * static_cast<double>(trip.DurationMs())));
        char taken[32], name[32];
        std::snprintf(taken, sizeof taken, "%04d:%02d:%02d %02d:%02d:%02d", t.Year, t.Month, t.Day,
                      t.Hour, t.Minute, t.Second);
        std::snprintf(name, sizeof name, "IMG_%04d.JPG", i);
        t2ntest::CameraTags tags;
        tags.DateTimeOriginal = taken;
        std::ofstream(folder / name, std::ios::binary) << t2ntest::WithCameraTags(jpeg, tags);
    }
    return QString::fromStdString(folder.string());
}

// Every photo placed again after the camera's clock error changed by a second: the list, the
// marks and the overview drawn with them.
void PlacePhotosAsClockErrorChanges(benchmark::State& state, const BenchLog& log)
{
    const int count = static_cast<int>(state.range(0));
    LoadedWindow window(LogPath(log));
    window.Form.AddPhotos({PhotoFolder(window.Service, count)});
    auto* clockError = window.Form.findChild<QSpinBox*>(QStringLiteral("SpinClockError"));
    const PhotoPanel& photos = window.Overview->Photos();
    int step = 0;
    for (auto _ : state) {
        clockError->setValue(++step % 2);
        window.DrawOverview();
    }
    state.counters["photos"] = static_cast<double>(count);
    state.counters["marks"] = static_cast<double>(photos.Marks().size());
    if (photos.Marks().size() != static_cast<std::size_t>(count))
        state.SkipWithError("a photo was not placed on the track");
}

// A map source whose every tile is in memory already, as a source's memory cache holds the
// tiles of a picture looked at before: what a pan or zoom step costs once the tiles are there.
class CachedTiles final : public TileSource
{
  public:
    CachedTiles() : m_tile(256, 256, QImage::Format_RGB32) { m_tile.fill(QColor(236, 232, 224)); }
    [[nodiscard]] QString Name() const override { return QStringLiteral("Cached"); }
    [[nodiscard]] QString Attribution() const override { return QStringLiteral("© Cached"); }
    [[nodiscard]] int MinZoom() const override { return 0; }
    [[nodiscard]] int MaxZoom() const override { return 19; }
    void SetWanted(const std::vector<TileKey>&) override {}
    [[nodiscard]] TileImage Tile(const TileKey&) override
    {
        return {TileImage::State::Ready, m_tile, false};
    }

  private:
    QImage m_tile;
};

// One step of the picture, a key press, and the picture drawn again: a pan by an eighth of it
// or a zoom in and out by a level, on a map of cached tiles or on the outline alone.
void MapStep(benchmark::State& state, const BenchLog& log, bool zoom, bool tiles)
{
    LoadedWindow window(LogPath(log));
    auto* track = window.Form.findChild<TrackView*>(QStringLiteral("PaintTrack"));
    CachedTiles source;
    if (tiles)
        track->SetMapSource(&source);
    QImage picture(track->size() * track->devicePixelRatio(), QImage::Format_ARGB32_Premultiplied);
    picture.setDevicePixelRatio(track->devicePixelRatio());
    track->render(&picture);
    int step = 0;
    for (auto _ : state) {
        const bool back = ++step % 2 == 0;
        const Qt::Key key =
            zoom ? (back ? Qt::Key_Minus : Qt::Key_Plus) : (back ? Qt::Key_Left : Qt::Key_Right);
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(track, &press);
        track->render(&picture);
    }
    SetCounters(state, window);
    track->SetMapSource(nullptr);
}

// The trips and their figures of the outings log.
void TripsOfOutingsLog(benchmark::State& state, const BenchLog& log)
{
    ConversionService service;
    (void)service.Load(LogPath(log));
    for (auto _ : state) {
        const TripAnalysis trips = AnalyseTrips(service.Fixes());
        if (trips.Trips.size() != 8)
            state.SkipWithError("unexpected trip count");
        benchmark::DoNotOptimize(trips.DistanceM);
    }
}

void RegisterAll()
{
    const std::vector<BenchLog> logs = BenchLogs();
    benchmark::RegisterBenchmark("TripsOfOutingsLog", TripsOfOutingsLog, logs.front())
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("PlacePhotosAsClockErrorChanges", PlacePhotosAsClockErrorChanges,
                                 logs.front())
        ->Arg(300)
        ->Unit(benchmark::kMillisecond);
    const std::pair<const char*, void (*)(benchmark::State&, const BenchLog&)> cases[] = {
        {"LoadToOverview", LoadToOverview},
        {"DrawAfterResize", DrawAfterResize},
        {"RedrawAfterControlChange", RedrawAfterControlChange},
    };
    for (const BenchLog& log : logs) {
        if (log.Name.rfind("noisy", 0) != 0 || log.Name.find(".bin") == std::string::npos)
            continue;
        for (const bool tiles : {true, false})
            for (const bool zoom : {false, true})
                benchmark::RegisterBenchmark(
                    (std::string(zoom ? "MapZoomStep" : "MapPanStep") +
                     (tiles ? "/tiles/" : "/outline/") + log.Name)
                        .c_str(),
                    [zoom, tiles](benchmark::State& state, const BenchLog& shown) {
                        MapStep(state, shown, zoom, tiles);
                    },
                    log)
                    ->Unit(benchmark::kMillisecond);
    }
    for (const BenchLog& log : logs) {
        for (const auto& [name, run] : cases)
            benchmark::RegisterBenchmark((std::string(name) + "/" + log.Name).c_str(), run, log)
                ->Unit(benchmark::kMillisecond);
        for (const bool zoom : {true, false})
            benchmark::RegisterBenchmark(
                ((zoom ? "RedrawProfileAfterZoom/" : "RedrawProfileAsPointerMoves/") + log.Name)
                    .c_str(),
                RedrawProfile, log, zoom)
                ->Unit(benchmark::kMillisecond);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const PrivateSettings settings;
    RegisterAll();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(LogFolder());
    return 0;
}
