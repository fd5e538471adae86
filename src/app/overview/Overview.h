#pragma once

#include "convert/ConversionService.h"

#include <QWidget>
#include <memory>
#include <optional>
#include <vector>

class Dialogs;
class MapPanel;
class PhotoPanel;
class ProfileView;
class QLabel;
class QModelIndex;
class QSplitter;
class QTabWidget;
class QVBoxLayout;
class QTableView;
class TimeRangeEdit;
class TimelineView;
class TrackPlane;
class TrackView;
class TripListModel;

// What the loaded log holds, below the window's controls: a summary line, the trip list and the
// photo list on two tabs, the track picture, the timeline and the speed and height profile under
// it. Picking trips in the list, the
// picture or the timeline, or dragging on the timeline, sets the time range's controls; the picture
// and the timeline follow them. Trips picked one by one (Ctrl+click) are exported as just those
// trips. The photos placed on the track are marked in the picture; the map's controls are above
// it.
class TOverview final : public QWidget
{
    Q_OBJECT

  public:
    TOverview(const ConversionService& service, TimeRangeEdit& range, Dialogs& dialogs,
              QWidget* parent = nullptr);

    // Reads the log the service loaded last: summary, trips, track and timeline.
    void ShowLog();
    // Follows a window the overview did not pick (the user's edit, a preset): the timeline's
    // shading and the track's strong part, and no trip selected.
    void FollowRange();
    // The window the overview shows; nothing while either side is a date that does not exist.
    [[nodiscard]] const std::optional<MsWindow>& Window() const { return m_window; }
    // The windows of the picked trips when they are not one run of neighbours, so that an export
    // takes their fixes only; empty otherwise.
    [[nodiscard]] const std::vector<MsWindow>& Chosen() const { return m_chosen; }
    // The trips (from 0, in order) picked in the list, the picture or the timeline; empty when
    // the window was set otherwise.
    [[nodiscard]] const std::vector<std::size_t>& PickedTrips() const { return m_picked; }
    // The photo list and its settings.
    [[nodiscard]] PhotoPanel& Photos() const { return *m_photos; }

  signals:
    // A double click on a trip (from 0): its window is set, now export it.
    void ExportRequested(std::size_t trip);
    // The picked trips or the window shown changed.
    void PickChanged();

  protected:
    // A window that grows gives the photo list the room its columns want.
    void resizeEvent(QResizeEvent* event) override;
    // The trip list's keys beyond the table's own: Ctrl+Home and Ctrl+End pick the first and the
    // last trip as the arrow keys pick theirs, Enter exports the current trip as a double click.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void CreateParts();
    void CreateList();
    void CreatePhotos();
    void FitListWidth();
    // The timeline and the profile across the overview below the lists, or under the picture
    // while the photo list shows: its rows take the overview's whole height then.
    void PlaceBands();
    // The width of the splitter's left, where the trip list or the photo list is.
    [[nodiscard]] int ListWidth() const;
    void TripsSelected();
    void TripDoubleClicked(const QModelIndex& index);
    void TimelineDragged(MsWindow window);
    // A trip picked in the picture or on the timeline: alone, toggled with Ctrl, or the run
    // from the current trip with Shift, as in the list.
    void SelectTrip(std::size_t trip, Qt::KeyboardModifiers modifiers);
    // Sets the range to a window the overview picked, and shows it.
    void PickWindow(const MsWindow& window, bool fit);
    void ShowRangeWindow(bool fit);
    // A photo's mark on the map: rested on, clicked, or slid along the track to a spot.
    void ShowPhotoTip(std::size_t photo, const QPoint& globalPos);
    void PickPhoto(std::size_t photo);
    void SlidePhoto(std::size_t photo, std::int64_t localMs);

    const ConversionService& m_service;
    TimeRangeEdit& m_range;
    Dialogs& m_dialogs;
    std::optional<MsWindow> m_window;
    std::vector<MsWindow> m_chosen;
    std::vector<std::size_t> m_picked;
    std::shared_ptr<const TrackPlane> m_path;
    bool m_selecting = false;

    QLabel* m_summary = nullptr;
    QSplitter* m_splitter = nullptr;
    QVBoxLayout* m_layout = nullptr;
    QVBoxLayout* m_pictureLayout = nullptr;
    QTabWidget* m_tabs = nullptr;
    QTableView* m_list = nullptr;
    PhotoPanel* m_photos = nullptr;
    TripListModel* m_model = nullptr;
    TrackView* m_track = nullptr;
    MapPanel* m_map = nullptr;
    TimelineView* m_timeline = nullptr;
    ProfileView* m_profile = nullptr;
};
