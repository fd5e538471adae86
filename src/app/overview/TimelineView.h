#pragma once

#include "convert/Trips.h"
#include "geometry/TimeAxis.h"

#include <QWidget>
#include <cstdint>
#include <optional>
#include <vector>

// A strip across the log's span: the trips as bars in their colours, the picked windows shaded
// and time ticks beneath. Dragging across it picks a window of whole seconds; a click on a bar
// picks that trip, and hovering it shows the trip's figures. The wheel zooms about the pointer
// (with Shift, or sideways, it pans); a double click on the background or Home shows the whole
// log again.
class TimelineView final : public QWidget
{
    Q_OBJECT

  public:
    explicit TimelineView(QWidget* parent = nullptr);

    // The log's earliest and latest moment and its trips; shows the whole log.
    void SetLog(std::int64_t firstMs, std::int64_t lastMs, std::vector<Trip> trips);
    // The windows shaded: the picked trips, or the window of the twelve controls.
    void SetPicked(std::vector<MsWindow> windows);
    [[nodiscard]] const std::vector<MsWindow>& Picked() const { return m_picked; }
    void ShowWholeLog();

    // The span shown across the strip, and where the bars and the shading go.
    [[nodiscard]] TimeAxis Axis() const;
    [[nodiscard]] QRectF StripRect() const;
    // The ticks drawn at the current size: their moments and their captions' rectangles; a
    // caption that would meet the one before it, or run past either side, is left out.
    struct Tick {
        std::int64_t Ms;
        QString Text;
        QRectF TextRect;
    };
    [[nodiscard]] std::vector<Tick> Ticks() const;
    // The tooltip of the trip under a pixel; empty where there is none.
    [[nodiscard]] QString ToolTipAt(const QPointF& pixel) const;
    // A trip's number, times and figures, as its bar's tooltip shows them.
    [[nodiscard]] QString TripToolTip(std::size_t trip) const;

    [[nodiscard]] QSize minimumSizeHint() const override;
    [[nodiscard]] QSize sizeHint() const override;

  signals:
    // A drag picked the window [Start, End): Start is the second of the earlier end of the drag,
    // End the second after that of the later end.
    void WindowDragged(MsWindow window);
    // A click without a drag on the bar of a trip (from 0), and the keys held.
    void TripClicked(std::size_t trip, Qt::KeyboardModifiers modifiers);
    // A double click on the bar of a trip (from 0).
    void TripDoubleClicked(std::size_t trip);
    // The span shown or the windows shaded changed.
    void ViewChanged();

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    [[nodiscard]] MsWindow Limits() const { return {m_firstMs, m_lastMs}; }
    [[nodiscard]] std::optional<std::size_t> TripAt(double x) const;
    [[nodiscard]] TickStep Step() const;
    void ShowSpan(const TimeAxis& axis);
    void EmitDrag(double x);
    void PaintBars(QPainter& painter, const QRectF& strip) const;
    // The picked windows: their shade (under the bars) or their edges (over them).
    void PaintWindows(QPainter& painter, const QRectF& strip, bool edges) const;
    void PaintTicks(QPainter& painter, const QRectF& strip) const;

    std::int64_t m_firstMs = 0;
    std::int64_t m_lastMs = 0;
    std::int64_t m_shownFirstMs = 0;
    std::int64_t m_shownLastMs = 0;
    std::vector<Trip> m_trips;
    std::vector<MsWindow> m_bars;
    std::vector<MsWindow> m_picked;
    std::optional<double> m_pressX;
    bool m_dragging = false;
    QString m_dateSeparator;
    QString m_timeSeparator;
};
