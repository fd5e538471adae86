#pragma once

#include "convert/ConversionService.h"

#include <QWidget>
#include <array>
#include <memory>
#include <optional>

class QLabel;
class QModelIndex;
class QSpinBox;
class QSplitter;
class QTableView;
class TimelineView;
class TrackPath;
class TrackView;
class TripListModel;

// What the loaded log holds, below the window's controls: a summary line, the trip list, the
// track picture and the timeline. Picking trips in the list or dragging on the timeline sets the
// twelve date and time controls; the picture and the timeline follow the controls.
class TOverview final : public QWidget
{
    Q_OBJECT

  public:
    // Year, month, day, hour, minute and second of one side of the time window.
    using TimeControls = std::array<QSpinBox*, 6>;

    TOverview(const ConversionService& service, const TimeControls& start, const TimeControls& end,
              QWidget* parent = nullptr);

    // Reads the log the service loaded last: summary, trips, track and timeline.
    void ShowLog();
    // Follows the controls: the timeline's shading and the track's strong part. A change that
    // did not come from the overview also clears the trip list's selection.
    void ControlsChanged();
    // The window the overview shows; nothing while either side is a date that does not exist.
    [[nodiscard]] const std::optional<MsWindow>& Window() const { return m_window; }

  signals:
    // A double click on a trip: its window is set, now export it.
    void ExportRequested();

  private:
    void CreateParts();
    void CreateList();
    void FitListWidth();
    void TripsSelected();
    void TripDoubleClicked(const QModelIndex& index);
    void TimelineDragged(MsWindow window);
    void TimelineTripClicked(std::size_t trip);
    void SelectTrip(int row);
    void WriteControls(const MsWindow& window);
    void FollowControls();
    [[nodiscard]] std::optional<MsWindow> ControlWindow() const;

    const ConversionService& m_service;
    TimeControls m_start;
    TimeControls m_end;
    std::optional<MsWindow> m_window;
    bool m_writingControls = false;
    std::shared_ptr<const TrackPath> m_path;

    QLabel* m_summary = nullptr;
    QSplitter* m_splitter = nullptr;
    QTableView* m_list = nullptr;
    TripListModel* m_model = nullptr;
    TrackView* m_track = nullptr;
    TimelineView* m_timeline = nullptr;
};
