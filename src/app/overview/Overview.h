#pragma once

#include "convert/ConversionService.h"

#include <QWidget>
#include <memory>
#include <optional>

class QLabel;
class QModelIndex;
class QSplitter;
class QTableView;
class TimeRangeEdit;
class TimelineView;
class TrackPlane;
class TrackView;
class TripListModel;

// What the loaded log holds, below the window's controls: a summary line, the trip list, the
// track picture and the timeline. Picking trips in the list or dragging on the timeline sets the
// time range's controls; the picture and the timeline follow them.
class TOverview final : public QWidget
{
    Q_OBJECT

  public:
    TOverview(const ConversionService& service, TimeRangeEdit& range, QWidget* parent = nullptr);

    // Reads the log the service loaded last: summary, trips, track and timeline.
    void ShowLog();
    // Follows a window the overview did not pick (the user's edit, a preset): the timeline's
    // shading and the track's strong part, and no trip selected.
    void FollowRange();
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
    // Sets the range to a window the overview picked, and shows it.
    void PickWindow(const MsWindow& window);
    void ShowRangeWindow();

    const ConversionService& m_service;
    TimeRangeEdit& m_range;
    std::optional<MsWindow> m_window;
    std::shared_ptr<const TrackPlane> m_path;

    QLabel* m_summary = nullptr;
    QSplitter* m_splitter = nullptr;
    QTableView* m_list = nullptr;
    TripListModel* m_model = nullptr;
    TrackView* m_track = nullptr;
    TimelineView* m_timeline = nullptr;
};
