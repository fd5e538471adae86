#pragma once

#include "geometry/PhotoMarks.h"
#include "geometry/TrackLayer.h"
#include "geometry/TrackPlane.h"

#include <QPixmap>
#include <QWidget>
#include <memory>
#include <optional>
#include <vector>

class MapLayer;
class QToolButton;
class TileSource;

// The track picture: the log's trips as lines on a local plane, north up, each trip in its own
// colour; the picked parts strong and the rest faint, the start and end of the picked parts
// marked, with a scale bar in km; photos placed on the track are diamonds in their trips' colours.
// The lines between trips are not drawn. The wheel zooms about
// the pointer, a drag pans, a click on a trip's line picks it; a double click on the background,
// Home or the button in the corner shows the whole log again. Under the lines lie the built-in
// outline of the world and a map source's tiles (MapLayer); with a source the scale steps
// through its whole zoom levels. A photo's diamond names its photo when the pointer rests on it,
// picks it when clicked and, dragged along the track, tells the moment of the spot it was left
// at (the overview turns that into the camera's clock error).
class TrackView final : public QWidget
{
    Q_OBJECT

  public:
    explicit TrackView(QWidget* parent = nullptr);

    // The log's plane, shown whole, nothing picked.
    void SetPath(std::shared_ptr<const TrackPlane> path);
    // The windows whose fixes are drawn strong: the picked trips, or the window of the twelve
    // controls. With `fit` the view fits them.
    void SetPicked(std::vector<MsWindow> windows, bool fit);
    [[nodiscard]] const std::vector<MsWindow>& Picked() const { return m_picked; }
    void ShowWholeLog();
    [[nodiscard]] bool ShowsWholeLog() const { return m_fit == Fit::WholeLog; }
    // The plane's point at the picture's middle and the scale.
    [[nodiscard]] const PlaneView& View();
    // The pixel of a position's fix at the current view.
    [[nodiscard]] QPointF PixelOf(std::size_t position);

    struct ScaleBarPlace {
        QString Text;
        QRectF Bar;
        QRectF TextRect;
        double Metres = 0;
    };
    // Where the scale bar and its caption go at the current size (nothing drawn without fixes).
    [[nodiscard]] const ScaleBarPlace& ScaleBar();
    // How many points the faint layer draws at the current size and view.
    [[nodiscard]] std::size_t LinePointCount();
    // The marks of the picked parts' starts or ends, in pixels.
    [[nodiscard]] std::vector<QPointF> MarkPixels(bool starts);
    // The photos placed on the track, drawn over the trips; the picked photo's mark (by its
    // index among the photos) larger and on top.
    void SetPhotoMarks(std::vector<PhotoMark> marks, std::optional<std::size_t> picked);
    [[nodiscard]] const std::vector<PhotoMark>& PhotoMarks() const { return m_photoMarks; }
    // The photo marks' pixels at the current view, in the marks' order.
    [[nodiscard]] std::vector<QPointF> PhotoMarkPixels();
    // The fix the profile's pointer reads (a time-order position), ringed on the track.
    void SetProfileMark(std::optional<std::size_t> position);
    [[nodiscard]] std::optional<std::size_t> ProfileMark() const { return m_profileMark; }

    // The map whose tiles lie under the trips, or none (the outline alone); not owned.
    void SetMapSource(TileSource* source);

    [[nodiscard]] QSize minimumSizeHint() const override;
    [[nodiscard]] QSize sizeHint() const override;

  signals:
    // A click on a trip's line or dot: the trip (from 0) and the keys held.
    void TripClicked(std::size_t trip, Qt::KeyboardModifiers modifiers);
    // A double click on a trip's line or dot (from 0).
    void TripDoubleClicked(std::size_t trip);
    // A photo's mark (the photo's index) clicked, or dragged to the track's spot of a moment
    // (local whole milliseconds), or rested on at a place of the screen.
    void PhotoClicked(std::size_t photo);
    void PhotoDropped(std::size_t photo, std::int64_t localMs);
    void PhotoToolTip(std::size_t photo, const QPoint& globalPos);
    // Rested on a trip's line, away from the photos' marks.
    void TripToolTip(std::size_t trip, const QPoint& globalPos);

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    // What the view follows when the picture changes its size.
    enum class Fit {
        WholeLog,
        Picked,
        None, // the user zoomed or panned: centre and scale stay
    };
    [[nodiscard]] bool HasPoints() const;
    [[nodiscard]] PlaneBox Plot() const;
    void FitTo(Fit fit, const std::optional<PlaneBox>& box);
    void SetUserView(const PlaneView& view);
    void ZoomAt(const QPointF& pixel, double factor);
    // The view's factor of one wheel notch or key press: a zoom level with a map.
    [[nodiscard]] double ZoomStep() const;
    // The transform of the view at the plot, snapped to the map's zoom levels with a source.
    void PlaceView(const PlaneBox& plot);
    [[nodiscard]] std::optional<std::size_t> TripAt(const QPointF& pixel);
    // The photo whose mark is under a pixel, the picked one first.
    [[nodiscard]] std::optional<std::size_t> PhotoAt(const QPointF& pixel);
    // A photo's mark followed with the pointer along the track.
    void DragPhoto(const QPointF& pixel);
    // The transform, the faint layer and the scale bar: once per path, view and size.
    void Prepare();
    // The strong layer: once more when the picked parts change.
    void PrepareStrong();
    void PlaceScaleBar(const PlaneBox& plot);
    void PaintLayer(QPainter& painter, const TrackLayer& layer, bool strong) const;
    struct Mark {
        QPointF At;
        std::size_t Trip;
    };
    // A mark for the start or the end of each picked part, or of all of them when they are many.
    [[nodiscard]] std::vector<Mark> Marks(bool starts) const;
    void PaintMarkers(QPainter& painter) const;
    void PaintPhotoMarks(QPainter& painter) const;
    void PaintProfileMark(QPainter& painter) const;
    // A plate in the base colour behind a label drawn over the track.
    void PaintPlate(QPainter& painter, const QRectF& area) const;
    void PaintScaleBar(QPainter& painter) const;
    void PaintLegend(QPainter& painter) const;

    std::shared_ptr<const TrackPlane> m_path;
    std::vector<TripRange> m_allTrips;
    std::vector<MsWindow> m_picked;
    std::vector<TripRange> m_strongParts;
    Fit m_fit = Fit::WholeLog;
    std::optional<PlaneBox> m_fitBox; // metres
    PlaneView m_view;
    bool m_stale = true;
    bool m_strongStale = true;
    qreal m_preparedRatio = 0;
    PlaneTransform m_transform;
    TrackLayer m_faintLayer;
    TrackLayer m_strongLayer;
    QPixmap m_faint;
    QPixmap m_strong;
    ScaleBarPlace m_scaleBar;
    std::optional<QPointF> m_pressAt;
    // The trip the last click picked and where, for a double click.
    struct ClickedTrip {
        std::size_t Trip;
        QPointF At;
    };
    std::optional<ClickedTrip> m_clicked;
    PlaneView m_viewAtPress;
    bool m_panning = false;
    QToolButton* m_wholeButton = nullptr;
    MapLayer* m_map = nullptr;
    int m_mapZoom = 0;
    int m_wheelAngle = 0; // eighths of a degree turned short of a zoom level
    std::vector<PhotoMark> m_photoMarks;
    std::optional<std::size_t> m_pickedPhoto;
    std::optional<std::size_t> m_pressedPhoto; // the mark a press began on
    bool m_draggingPhoto = false;
    std::optional<TrackSpot> m_dragSpot; // where the dragged mark lies now
    std::optional<std::size_t> m_profileMark;
};
