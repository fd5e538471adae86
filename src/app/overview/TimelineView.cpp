#include "app/overview/TimelineView.h"

#include "app/Platform.h"
#include "app/overview/OverviewText.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr int kSidePixels = 8; // room for a tick's caption at either end
constexpr int kStripHeight = 24;
constexpr int kTickLength = 4;
constexpr int kCaptionGapPixels = 16;
constexpr std::int64_t kMsPerDay = kMillisecondsPerDay;

// The tick steps on offer, from one second to a year.
constexpr std::array<std::int64_t, 23> kTickSteps{
    kMsPerSecond,     5 * kMsPerSecond, 10 * kMsPerSecond, 30 * kMsPerSecond, kMsPerMinute,
    2 * kMsPerMinute, 5 * kMsPerMinute, 10 * kMsPerMinute, 15 * kMsPerMinute, 30 * kMsPerMinute,
    kMsPerHour,       2 * kMsPerHour,   3 * kMsPerHour,    6 * kMsPerHour,    12 * kMsPerHour,
    kMsPerDay,        2 * kMsPerDay,    7 * kMsPerDay,     14 * kMsPerDay,    30 * kMsPerDay,
    91 * kMsPerDay,   182 * kMsPerDay,  365 * kMsPerDay,
};

const QColor kBarColour(22, 88, 196);
const QColor kStripColour(236, 239, 244);

std::int64_t CeilToMultiple(std::int64_t ms, std::int64_t step)
{
    const std::int64_t r = ms % step;
    return r == 0 ? ms : ms + (r < 0 ? -r : step - r);
}

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

double TimelineView::XOf(std::int64_t ms) const
{
    const QRectF strip = StripRect();
    const double share =
        static_cast<double>(ms - m_firstMs) / static_cast<double>(m_lastMs - m_firstMs);
    return strip.left() + share * strip.width();
}

std::int64_t TimelineView::MsAt(double x) const
{
    const QRectF strip = StripRect();
    const double share = std::clamp((x - strip.left()) / strip.width(), 0.0, 1.0);
    return m_firstMs + static_cast<std::int64_t>(
                           std::llround(share * static_cast<double>(m_lastMs - m_firstMs)));
}

std::int64_t TimelineView::TickStep() const
{
    // Wide enough for the longest caption a step gives, plus a gap.
    const double msPerPixel =
        static_cast<double>(m_lastMs - m_firstMs) / std::max(1.0, StripRect().width());
    const QFontMetricsF metrics(font());
    for (const std::int64_t step : kTickSteps) {
        const QString widest =
            TickText(kMsPerDay / 2 + 11 * kMsPerHour, step, m_dateSeparator, m_timeSeparator);
        if (static_cast<double>(step) / msPerPixel >=
            metrics.horizontalAdvance(widest) + kCaptionGapPixels)
            return step;
    }
    return kTickSteps.back();
}

std::vector<TimelineView::Tick> TimelineView::Ticks() const
{
    std::vector<Tick> ticks;
    if (m_trips.empty())
        return ticks;
    const std::int64_t step = TickStep();
    const QFontMetricsF metrics(font());
    const double top = kStripHeight + kTickLength;
    for (std::int64_t ms = CeilToMultiple(m_firstMs, step); ms <= m_lastMs; ms += step) {
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
    } else {
        const std::int64_t ms = MsAt(x);
        // Within two pixels of a bar: short trips are hard to hit exactly.
        const auto slack = static_cast<std::int64_t>(
            2.0 * static_cast<double>(m_lastMs - m_firstMs) / std::max(1.0, StripRect().width()));
        for (std::size_t i = 0; i < m_trips.size(); ++i) {
            if (m_trips[i].Start - slack <= ms && ms <= m_trips[i].End + slack) {
                emit TripClicked(i);
                break;
            }
        }
    }
    m_pressX.reset();
    m_dragging = false;
}

void TimelineView::EmitDrag(double x)
{
    const std::int64_t a = MsAt(*m_pressX);
    const std::int64_t b = MsAt(x);
    emit WindowDragged(CoveringWindow(std::min(a, b), std::max(a, b)));
}
