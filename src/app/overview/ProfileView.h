#pragma once

#include "geometry/Profile.h"

#include <QPixmap>
#include <QPointer>
#include <QWidget>
#include <array>
#include <memory>
#include <optional>

class TimelineView;

// The speed and the logger's GPS height under the timeline, on its clock: two bands across the
// timeline's strip, a line a trip in the trip's colour, broken between trips, at most a column a
// device pixel; the records a sector log's tests dropped as faint marks; the windows the timeline
// shades shaded alike. A row of text reads the time, speed and height of the fix nearest the
// pointer, which is marked in both bands and, through HoverChanged, on the track. Pressing,
// dragging, double clicks and the wheel act on the timeline above, so the two zoom, pan and pick
// as one. It stands in the timeline's column of the layout, as wide as the timeline.
class ProfileView final : public QWidget
{
    Q_OBJECT

  public:
    explicit ProfileView(TimelineView& timeline, QWidget* parent = nullptr);

    // The loaded log's values; nothing under the pointer.
    void SetSeries(std::shared_ptr<const ProfileSeries> series);
    // The time-order position of the fix the pointer reads; nothing while it reads none.
    [[nodiscard]] std::optional<std::size_t> Hovered() const { return m_hovered; }
    // The row of text: the fix under the pointer, or a hint; nothing without a trip.
    [[nodiscard]] QString ReadoutText() const;
    // The columns both bands draw at the current span and size.
    [[nodiscard]] std::size_t ColumnCount();

    [[nodiscard]] QSize minimumSizeHint() const override;
    [[nodiscard]] QSize sizeHint() const override;

  signals:
    // The fix under the pointer changed: its time-order position, or nothing.
    void HoverChanged(std::optional<std::size_t> position);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    struct Band {
        ProfileValue Value;
        ProfileLayer Layer;
        ProfileScale Scale;
    };
    // The timeline's axis in this widget's pixels.
    [[nodiscard]] TimeAxis Axis() const;
    [[nodiscard]] QRectF BandRect(std::size_t band) const;
    [[nodiscard]] double YOf(std::size_t band, double value) const;
    // The bands' layers and scales: once per span, width and pixel ratio.
    void Prepare();
    void Forward(QMouseEvent* event);
    void HoverAt(std::optional<double> x);
    void PaintBand(QPainter& painter, std::size_t band) const;
    void PaintLines(QPainter& painter, std::size_t band) const;
    void PaintDropped(QPainter& painter, std::size_t band) const;
    void PaintHovered(QPainter& painter) const;
    void PaintReadout(QPainter& painter) const;

    // Gone first when the overview's parts are destroyed, while the pointer may still move here.
    QPointer<TimelineView> m_timeline;
    std::shared_ptr<const ProfileSeries> m_series;
    std::array<Band, 2> m_bands{
        {{ProfileValue::SpeedKmh, {}, {}}, {ProfileValue::HeightM, {}, {}}}};
    std::optional<TimeAxis> m_preparedAxis;
    qreal m_preparedRatio = 0;
    QPixmap m_bandsPicture;
    bool m_bandsStale = true;
    std::optional<double> m_pointerX;
    std::optional<std::size_t> m_hovered;
    QString m_dateSeparator;
    QString m_timeSeparator;
};
