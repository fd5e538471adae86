#include "app/overview/TimelineView.h"

#include "app/Platform.h"
#include "app/overview/OverviewText.h"
#include "app/overview/TripColour.h"

#include <QApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int kSidePixels = 8; // room for a tick's caption at either end
constexpr int kStripHeight = 24;
constexpr int kTickLength = 4;
constexpr int kCaptionGapPixels = 16;
constexpr double kBarSlackPixels = 2.0; // short trips are hard to hit exactly
constexpr double kWheelZoom = 1.25;
constexpr std::int64_t kShortestSpanMs = 60 * kTickSecond;
const QColor kStripColour(236, 239, 244);

} // namespace

TimelineView::TimelineView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PaintTimeline"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::SizeHorCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // Tab reaches the timeline: + and - zoom, Left and Right pan, Home shows the whole log.
    setFocusPolicy(Qt::StrongFocus);
    const QLocale locale = QLocale::system();
    m_dateSeparator = DateSeparator(locale);
    m_timeSeparator = TimeSeparator(locale);
}

void TimelineView::SetLog(std::int64_t firstMs, std::int64_t lastMs, std::vector<Trip> trips)
{
    m_firstMs = firstMs;
    m_lastMs = std::max(lastMs, firstMs + kMsPerSecond);
    m_trips = std::move(trips);
    m_bars.clear();
    m_bars.reserve(m_trips.size());
    for (const Trip& trip : m_trips)
        m_bars.push_back({trip.FirstMs, trip.LastMs});
    m_picked.clear();
    ShowWholeLog();
}

void TimelineView::SetPicked(std::vector<MsWindow> windows)
{
    m_picked = std::move(windows);
    update();
    emit ViewChanged();
}

void TimelineView::ShowWholeLog()
{
    m_shownFirstMs = m_firstMs;
    m_shownLastMs = m_lastMs;
    update();
    emit ViewChanged();
}

void TimelineView::ShowSpan(const TimeAxis& axis)
{
    m_shownFirstMs = axis.FirstMs;
    m_shownLastMs = axis.LastMs;
    update();
    emit ViewChanged();
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
    return {m_shownFirstMs, std::max(m_shownLastMs, m_shownFirstMs + 1), strip.left(),
            std::max(1.0, strip.width())};
}

TickStep TimelineView::Step() const
{
    // Wide enough for the widest caption a step gives without a year, plus a gap.
    const QFontMetricsF metrics(font());
    const auto captionPixels = [&](TickStep step) {
        const std::int64_t sample = CalendarToMilliseconds({2024, 12, 28, 23, 58, 58, 0});
        const std::int64_t midnight = CalendarToMilliseconds({2024, 12, 28, 0, 0, 0, 0});
        return std::max(metrics.horizontalAdvance(
                            TickText(sample, step, sample, m_dateSeparator, m_timeSeparator)),
                        metrics.horizontalAdvance(TickText(midnight, step, midnight - kTickDay,
                                                           m_dateSeparator, m_timeSeparator)));
    };
    return ChooseTickStep(Axis(), captionPixels, kCaptionGapPixels);
}

std::vector<TimelineView::Tick> TimelineView::Ticks() const
{
    std::vector<Tick> ticks;
    if (m_trips.empty())
        return ticks;
    const TimeAxis axis = Axis();
    const TickStep step = Step();
    const QFontMetricsF metrics(font());
    const double top = kStripHeight + kTickLength;
    std::optional<std::int64_t> lastShown;
    double freeFrom = -std::numeric_limits<double>::infinity();
    for (const std::int64_t ms : TickMoments(axis, step)) {
        Tick tick{ms, TickText(ms, step, lastShown, m_dateSeparator, m_timeSeparator), {}};
        const double textWidth = std::ceil(metrics.horizontalAdvance(tick.Text)) + 1;
        tick.TextRect = QRectF(axis.XOf(ms) - textWidth / 2, top, textWidth, metrics.height());
        // A caption that would meet the one before or run past either side is left out, its tick
        // kept; the next caption shown then says what changed since the last one shown.
        if (tick.TextRect.left() < std::max(0.0, freeFrom) || tick.TextRect.right() > width()) {
            tick.Text.clear();
        } else {
            lastShown = ms;
            freeFrom = tick.TextRect.right() + kCaptionGapPixels;
        }
        ticks.push_back(tick);
    }
    return ticks;
}

std::optional<std::size_t> TimelineView::TripAt(double x) const
{
    return BarAt(Axis(), m_bars, x, kBarSlackPixels);
}

QString TimelineView::ToolTipAt(const QPointF& pixel) const
{
    if (!StripRect().contains(pixel))
        return {};
    const std::optional<std::size_t> trip = TripAt(pixel.x());
    return trip ? TripToolTip(*trip) : QString();
}

QString TimelineView::TripToolTip(std::size_t trip) const
{
    return trip < m_trips.size()
               ? TripToolTipText(trip + 1, m_trips[trip], m_dateSeparator, m_timeSeparator)
               : QString();
}

bool TimelineView::event(QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QString text = ToolTipAt(help->pos());
    if (text.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
    } else {
        QToolTip::showText(help->globalPos(), text, this);
    }
    return true;
}

void TimelineView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    const QRectF strip = StripRect();
    painter.fillRect(strip, kStripColour);
    if (!m_trips.empty()) {
        painter.save();
        painter.setClipRect(strip);
        // The shade under the bars, so that they keep their trips' colours inside it.
        PaintWindows(painter, strip, false);
        PaintBars(painter, strip);
        PaintWindows(painter, strip, true);
        painter.restore();
        PaintTicks(painter, strip);
    }
    // The strip's frame shows where the keys act.
    painter.setPen(hasFocus() ? QPen(palette().color(QPalette::Highlight), 2)
                              : QPen(palette().color(QPalette::Mid)));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(strip.adjusted(0.5, 0.5, -0.5, -0.5));
}

void TimelineView::focusInEvent(QFocusEvent* event)
{
    update();
    QWidget::focusInEvent(event);
}

void TimelineView::focusOutEvent(QFocusEvent* event)
{
    update();
    QWidget::focusOutEvent(event);
}

void TimelineView::PaintBars(QPainter& painter, const QRectF& strip) const
{
    const TimeAxis axis = Axis();
    const QRectF band = strip.adjusted(0, 6, 0, -6);
    for (std::size_t i = 0; i < m_bars.size(); ++i) {
        if (m_bars[i].End < axis.FirstMs || m_bars[i].Start > axis.LastMs)
            continue;
        const double left = axis.XOf(m_bars[i].Start);
        const double right = std::max(axis.XOf(m_bars[i].End), left + 2);
        painter.fillRect(QRectF(left, band.top(), right - left, band.height()), TripQColor(i));
    }
}

void TimelineView::PaintWindows(QPainter& painter, const QRectF& strip, bool edges) const
{
    const TimeAxis axis = Axis();
    QColor shade = palette().color(QPalette::Highlight);
    shade.setAlpha(70);
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
    for (const MsWindow& window : m_picked) {
        const double left = std::clamp(axis.XOf(window.Start), strip.left() - 2, strip.right() + 2);
        const double right = std::clamp(axis.XOf(window.End), strip.left() - 2, strip.right() + 2);
        if (right < left)
            continue;
        if (!edges) {
            painter.fillRect(QRectF(left, strip.top(), right - left, strip.height()), shade);
            continue;
        }
        painter.drawLine(QPointF(left, strip.top()), QPointF(left, strip.bottom()));
        painter.drawLine(QPointF(right, strip.top()), QPointF(right, strip.bottom()));
    }
}

void TimelineView::PaintTicks(QPainter& painter, const QRectF& strip) const
{
    const TimeAxis axis = Axis();
    painter.setPen(palette().color(QPalette::WindowText));
    for (const Tick& tick : Ticks()) {
        const double x = std::round(axis.XOf(tick.Ms)) + 0.5;
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
    if (m_dragging)
        EmitDrag(x);
    else if (const std::optional<std::size_t> trip = TripAt(x))
        emit TripClicked(*trip, event->modifiers());
    m_pressX.reset();
    m_dragging = false;
}

void TimelineView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (const std::optional<std::size_t> trip = TripAt(event->position().x()))
        emit TripDoubleClicked(*trip);
    else
        ShowWholeLog();
}

void TimelineView::wheelEvent(QWheelEvent* event)
{
    if (m_trips.empty())
        return QWidget::wheelEvent(event);
    const QPoint delta = event->angleDelta();
    const bool sideways = delta.x() != 0 || (event->modifiers() & Qt::ShiftModifier);
    const double steps = (delta.y() != 0 ? delta.y() : delta.x()) / 120.0;
    if (sideways)
        ShowSpan(Axis().Panned(steps * width() / 10.0, Limits()));
    else
        ShowSpan(Axis().Zoomed(event->position().x(), std::pow(kWheelZoom, steps), Limits(),
                               kShortestSpanMs));
    event->accept();
}

void TimelineView::keyPressEvent(QKeyEvent* event)
{
    const double middle = StripRect().center().x();
    switch (m_trips.empty() ? 0 : event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        return ShowSpan(Axis().Zoomed(middle, kWheelZoom, Limits(), kShortestSpanMs));
    case Qt::Key_Minus:
        return ShowSpan(Axis().Zoomed(middle, 1 / kWheelZoom, Limits(), kShortestSpanMs));
    case Qt::Key_Left:
        return ShowSpan(Axis().Panned(width() / 8.0, Limits()));
    case Qt::Key_Right:
        return ShowSpan(Axis().Panned(-width() / 8.0, Limits()));
    case Qt::Key_Home:
        return ShowWholeLog();
    default:
        break;
    }
    QWidget::keyPressEvent(event);
}

void TimelineView::EmitDrag(double x) { emit WindowDragged(Axis().DragWindow(*m_pressX, x)); }
