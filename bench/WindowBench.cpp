// The window's overview on the offscreen platform: the trips of a full multi-trip log, loading
// it through the window up to a drawn overview, a draw after a resize and a redraw after one of
// the twelve controls changed.

#include "BenchLogs.h"
#include "app/Dialogs.h"
#include "app/FormMain.h"
#include "app/overview/Overview.h"
#include "app/overview/TrackView.h"
#include "convert/ConversionService.h"

#include <QApplication>
#include <QImage>
#include <QSpinBox>
#include <benchmark/benchmark.h>
#include <filesystem>
#include <unistd.h>

namespace {

constexpr std::size_t kOutings = 8;

const std::string& OutingsLogPath()
{
    static const std::string path = [] {
        const std::string p = (std::filesystem::temp_directory_path() /
                               ("t2n-window-bench-" + std::to_string(getpid()) + ".bin"))
                                  .string();
        WriteFile(p, MakeOutingsBlockLog());
        return p;
    }();
    return path;
}

// Answers the open dialog with the benchmark log; nothing else is asked.
class BenchDialogs final : public Dialogs
{
  public:
    std::optional<QString> AskOpenPath(QWidget*, const QString&) override
    {
        return QString::fromStdString(OutingsLogPath());
    }
    std::optional<SaveChoice> AskSavePath(QWidget*, const QString&, const QString&) override
    {
        return {};
    }
    void ShowError(QWidget*, const QString&) override {}
    bool AskOverwrite(QWidget*, const QString&) override { return false; }
    bool AskWeekRepair(QWidget*, const QString&) override { return false; }
};

// The window as it opens, the log loaded through its load command.
struct LoadedWindow {
    ConversionService Service;
    BenchDialogs Dialogs;
    TFormMain Form{Service, Dialogs};
    TOverview* Overview = Form.findChild<TOverview*>(QStringLiteral("Overview"));
    QImage Image{Form.size(), QImage::Format_ARGB32_Premultiplied};

    LoadedWindow()
    {
        Form.show();
        Form.ButtonOpenClick();
        QCoreApplication::sendPostedEvents();
    }
    bool HasAllTrips() const { return Service.Trips().Trips.size() == kOutings; }
    void Draw() { Overview->render(&Image); }
};

void SetPointCounter(benchmark::State& state, LoadedWindow& window)
{
    state.counters["fixes"] = window.Service.FixCount();
    state.counters["line_points"] = static_cast<double>(
        window.Form.findChild<TrackView*>(QStringLiteral("PaintTrack"))->LinePointCount());
}

// The trips and their figures of the loaded log.
void BM_TripsOfOutingsLog(benchmark::State& state)
{
    ConversionService service;
    (void)service.Load(OutingsLogPath());
    for (auto _ : state) {
        const TripAnalysis trips = AnalyseTrips(service.Fixes());
        if (trips.Trips.size() != kOutings)
            state.SkipWithError("unexpected trip count");
        benchmark::DoNotOptimize(trips.DistanceM);
    }
}
BENCHMARK(BM_TripsOfOutingsLog)->Unit(benchmark::kMillisecond);

// The load command up to the drawn window: read and decode 16 MiB, trips, track and list.
void BM_LoadToOverview(benchmark::State& state)
{
    LoadedWindow window;
    for (auto _ : state) {
        window.Form.ButtonOpenClick();
        QCoreApplication::sendPostedEvents();
        window.Form.render(&window.Image);
    }
    if (!window.HasAllTrips())
        state.SkipWithError("unexpected trip count");
    SetPointCounter(state, window);
}
BENCHMARK(BM_LoadToOverview)->Unit(benchmark::kMillisecond);

// The overview drawn after the window changed its size: the track's lines are prepared afresh.
void BM_OverviewDrawAfterResize(benchmark::State& state)
{
    LoadedWindow window;
    const QSize size = window.Form.size();
    int step = 0;
    for (auto _ : state) {
        window.Form.resize(size + QSize(++step % 2, 0));
        QCoreApplication::sendPostedEvents();
        window.Draw();
    }
    SetPointCounter(state, window);
}
BENCHMARK(BM_OverviewDrawAfterResize)->Unit(benchmark::kMillisecond);

// The overview drawn again after the start hour changed: shading and strong part follow.
void BM_RedrawAfterControlChange(benchmark::State& state)
{
    LoadedWindow window;
    auto* hour = window.Form.findChild<QSpinBox*>(QStringLiteral("UpDownStaHH"));
    const int loaded = hour->value();
    int step = 0;
    for (auto _ : state) {
        hour->setValue(loaded + (++step % 2) * 3);
        window.Draw();
    }
    SetPointCounter(state, window);
}
BENCHMARK(BM_RedrawAfterControlChange)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove(OutingsLogPath());
    return 0;
}
