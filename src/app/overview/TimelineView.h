#pragma once

#include "convert/Trips.h"
#include "geometry/TimeAxis.h"

#include <QWidget>
#include <cstdint>
#include <optional>
#include <vector>

// A strip across the whole log's span: the trips as bars, the time window as a shaded range and
// time ticks beneath. Dragging across it picks a window of whole seconds; a click on a bar picks
// that trip.
class TimelineView final : public QWidget
{
    Q_OBJECT

  public:
    explicit TimelineView(QWidget* parent = nullptr);

    // The log's earliest and latest moment and its trips' first and last moments.
    void SetLog(std::int64_t firstMs, std::int64_t lastMs, std::vector<MsWindow> trips);
    void SetWindow(const std::optional<MsWindow>& window);
    [[nodiscard]] const std::optional<MsWindow>& Window() const { return m_window; }

    // Where the bars and the shading go.
    [[nodiscard]] QRectF StripRect() const;
    // The ticks drawn at the current size: their moments and their captions' rectangles.
    struct Tick {
        std::int64_t Ms;
        QString Text;
        QRectF TextRect;
    };
    [[nodiscard]] std::vector<Tick> Ticks() const;

    [[nodiscard]] QSize minimumSizeHint() const override;
    [[nodiscard]] QSize sizeHint() const override;

  signals:
    // A drag picked the window [Start, End): Start is the second of the earlier end of the drag,
    // End the second after that of the later end.
    void WindowDragged(MsWindow window);
    // A click without a drag on the bar of a trip (its index).
    void TripClicked(std::size_t trip);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    // The log's span across the strip.
    [[nodiscard]] TimeAxis Axis() const;
    [[nodiscard]] double XOf(std::int64_t ms) const;
    [[nodiscard]] std::int64_t TickStep() const;
    void EmitDrag(double x);
    void PaintBars(QPainter& painter, const QRectF& strip) const;
    void PaintWindow(QPainter& painter, const QRectF& strip) const;
    void PaintTicks(QPainter& painter, const QRectF& strip) const;

    std::int64_t m_firstMs = 0;
    std::int64_t m_lastMs = 0;
    std::vector<MsWindow> m_trips;
    std::optional<MsWindow> m_window;
    std::optional<double> m_pressX;
    bool m_dragging = false;
    QString m_dateSeparator;
    QString m_timeSeparator;
};
