#include "app/overview/TimelineView.h"

#include "app/Platform.h"
#include "app/overview/OverviewText.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {

constexpr int kSidePixels = 8; // room for a tick's caption at either end
constexpr int kStripHeight = 24;
constexpr int kTickLength = 4;
constexpr int kCaptionGapPixels = 16;
const QColor kBarColour(22, 88, 196);
const QColor kStripColour(236, 239, 244);

} // namespace

TimelineView::TimelineView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PaintTimeline"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::SizeHorCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    const QLocale locale = QLocale::system();
    m_dateSeparator = DateSeparator(locale);
    m_timeSeparator = TimeSeparator(locale);
}

void TimelineView::SetLog(std::int64_t firstMs, std::int64_t lastMs, std::vector<MsWindow> trips)
{
    m_firstMs = firstMs;
    m_lastMs = std::max(lastMs, firstMs + kMsPerSecond);
    m_trips = std::move(trips);
    update();
}

void TimelineView::SetWindow(const std::optional<MsWindow>& window)
{
    m_window = window;
    update();
}

QSize TimelineView::minimumSizeHint() const
{
    return {200, kStripHeight + kTickLength + fontMetrics().height() + 2};
}

QSize TimelineView::sizeHint() const { return minimumSizeHint(); }

QRectF TimelineView::StripRect() const
{
    return {static_cast<double>(kSidePixels), 0.0, static_cast<double>(width() - 2 * kSidePixels),
            static_cast<double>(kStripHeight)};
}

TimeAxis TimelineView::Axis() const
{
    const QRectF strip = StripRect();
    return {m_firstMs, m_lastMs, strip.left(), std::max(1.0, strip.width())};
}

double TimelineView::XOf(std::int64_t ms) const { return Axis().XOf(ms); }

std::int64_t TimelineView::TickStep() const
{
    // Wide enough for the longest caption a step gives, plus a gap.
    const QFontMetricsF metrics(font());
    const auto captionPixels = [&](std::int64_t step) {
        return metrics.horizontalAdvance(
            TickText(kTickDay / 2 + 11 * kTickHour, step, m_dateSeparator, m_timeSeparator));
    };
    return ChooseTickStep(Axis(), captionPixels, kCaptionGapPixels);
}

std::vector<TimelineView::Tick> TimelineView::Ticks() const
{
    std::vector<Tick> ticks;
    if (m_trips.empty())
        return ticks;
    const std::int64_t step = TickStep();
    const QFontMetricsF metrics(font());
    const double top = kStripHeight + kTickLength;
    for (const std::int64_t ms : TickMoments(Axis(), step)) {
        Tick tick{ms, TickText(ms, step, m_dateSeparator, m_timeSeparator), {}};
        const double textWidth = std::ceil(metrics.horizontalAdvance(tick.Text)) + 1;
        tick.TextRect = QRectF(XOf(ms) - textWidth / 2, top, textWidth, metrics.height());
        // A caption that would run past either side is left out, its tick kept.
        if (tick.TextRect.left() < 0 || tick.TextRect.right() > width())
            tick.Text.clear();
        ticks.push_back(tick);
    }
    return ticks;
}

void TimelineView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    const QRectF strip = StripRect();
    painter.fillRect(strip, kStripColour);
    if (!m_trips.empty()) {
        PaintBars(painter, strip);
        PaintWindow(painter, strip);
        PaintTicks(painter, strip);
    }
    painter.setPen(palette().color(QPalette::Mid));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(strip.adjusted(0.5, 0.5, -0.5, -0.5));
}

void TimelineView::PaintBars(QPainter& painter, const QRectF& strip) const
{
    const QRectF band = strip.adjusted(0, 6, 0, -6);
    for (const MsWindow& trip : m_trips) {
        const double left = XOf(trip.Start);
        const double right = std::max(XOf(trip.End), left + 2);
        painter.fillRect(QRectF(left, band.top(), right - left, band.height()), kBarColour);
    }
}

void TimelineView::PaintWindow(QPainter& painter, const QRectF& strip) const
{
    if (!m_window)
        return;
    const double left = std::clamp(XOf(m_window->Start), strip.left(), strip.right());
    const double right = std::clamp(XOf(m_window->End), strip.left(), strip.right());
    if (right < left)
        return;
    QColor shade = palette().color(QPalette::Highlight);
    shade.setAlpha(70);
    painter.fillRect(QRectF(left, strip.top(), right - left, strip.height()), shade);
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
    painter.drawLine(QPointF(left, strip.top()), QPointF(left, strip.bottom()));
    painter.drawLine(QPointF(right, strip.top()), QPointF(right, strip.bottom()));
}

void TimelineView::PaintTicks(QPainter& painter, const QRectF& strip) const
{
    painter.setPen(palette().color(QPalette::WindowText));
    for (const Tick& tick : Ticks()) {
        const double x = std::round(XOf(tick.Ms)) + 0.5;
        painter.drawLine(QPointF(x, strip.bottom()), QPointF(x, strip.bottom() + kTickLength));
        if (!tick.Text.isEmpty())
            painter.drawText(tick.TextRect, Qt::AlignCenter, tick.Text);
    }
}

void TimelineView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || m_trips.empty())
        return QWidget::mousePressEvent(event);
    m_pressX = event->position().x();
    m_dragging = false;
}

void TimelineView::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_pressX)
        return QWidget::mouseMoveEvent(event);
    const double x = event->position().x();
    if (!m_dragging && std::abs(x - *m_pressX) < QApplication::startDragDistance())
        return;
    m_dragging = true;
    EmitDrag(x);
}

void TimelineView::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_pressX || event->button() != Qt::LeftButton)
        return QWidget::mouseReleaseEvent(event);
    const double x = event->position().x();
    if (m_dragging) {
        EmitDrag(x);
    } else if (const std::optional<std::size_t> trip = BarAt(Axis(), m_trips, x, 2.0)) {
        // Within two pixels of a bar: short trips are hard to hit exactly.
        emit TripClicked(*trip);
    }
    m_pressX.reset();
    m_dragging = false;
}

void TimelineView::EmitDrag(double x) { emit WindowDragged(Axis().DragWindow(*m_pressX, x)); }
