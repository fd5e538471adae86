#include "app/overview/ProfileView.h"

#include "app/Platform.h"
#include "app/overview/OverviewText.h"
#include "app/overview/TimelineView.h"
#include "app/overview/TripColour.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace {

constexpr int kRowPadding = 4;
constexpr int kBandGap = 4;
constexpr int kShortestBand = 28;
constexpr int kPreferredBand = 60;
constexpr double kLineWidth = 1.5;
constexpr double kPlotInset = 3.0;
constexpr double kDroppedMarkPixels = 2.0;
constexpr double kHoverSlackPixels = 6.0;
constexpr double kHoverRadius = 3.5;
// The narrowest span a band's scale shows: 10 km/h, 10 m.
constexpr double kShortestScale = 10.0;

bool SameAxis(const TimeAxis& a, const TimeAxis& b)
{
    return a.FirstMs == b.FirstMs && a.LastMs == b.LastMs && a.Left == b.Left && a.Width == b.Width;
}

// Text on a pale backdrop, so it reads over the lines: its top right corner at a point.
void PaintCaption(QPainter& painter, const QPointF& topRight, const QString& text,
                  const QPalette& palette)
{
    const QFontMetricsF metrics(painter.font());
    const double width = metrics.horizontalAdvance(text) + 4;
    const QRectF box(topRight.x() - width, topRight.y(), width, metrics.height());
    QColor backdrop = palette.color(QPalette::Base);
    backdrop.setAlpha(190);
    painter.fillRect(box, backdrop);
    painter.setPen(palette.color(QPalette::Text));
    painter.drawText(box, Qt::AlignCenter, text);
}

} // namespace

ProfileView::ProfileView(TimelineView& timeline, QWidget* parent)
    : QWidget(parent), m_timeline(&timeline)
{
    setObjectName(QStringLiteral("PaintProfile"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setCursor(Qt::SizeHorCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    const QLocale locale = QLocale::system();
    m_dateSeparator = DateSeparator(locale);
    m_timeSeparator = TimeSeparator(locale);
    connect(&timeline, &TimelineView::ViewChanged, this, [this] {
        m_bandsStale = true;
        update();
        HoverAt(m_pointerX);
    });
}

void ProfileView::SetSeries(std::shared_ptr<const ProfileSeries> series)
{
    m_series = std::move(series);
    m_preparedAxis.reset();
    m_bandsStale = true;
    HoverAt(std::nullopt);
    update();
}

// The parts above come first in a short window: the profile may shrink to nothing, and bands
// shorter than their shortest are not drawn.
QSize ProfileView::minimumSizeHint() const { return {200, 0}; }

QSize ProfileView::sizeHint() const
{
    return {400, fontMetrics().height() + kRowPadding + 2 * kPreferredBand + kBandGap};
}

TimeAxis ProfileView::Axis() const
{
    // The timeline's pixels are this widget's moved by the distance between the two.
    if (!m_timeline)
        return {};
    TimeAxis axis = m_timeline->Axis();
    axis.Left += m_timeline->mapToGlobal(QPointF(0, 0)).x() - mapToGlobal(QPointF(0, 0)).x();
    return axis;
}

QRectF ProfileView::BandRect(std::size_t band) const
{
    const TimeAxis axis = Axis();
    const double top = fontMetrics().height() + kRowPadding;
    const double bandHeight = std::max(1.0, (height() - top - kBandGap - 1) / 2.0);
    return {axis.Left, top + static_cast<double>(band) * (bandHeight + kBandGap), axis.Width,
            bandHeight};
}

double ProfileView::YOf(std::size_t band, double value) const
{
    // The scale's ends lie inside the frame, so a line along either (a stop at 0 km/h) shows.
    const QRectF rect = BandRect(band).adjusted(0, kPlotInset, 0, -kPlotInset);
    return rect.bottom() - m_bands[band].Scale.ShareOf(value) * rect.height();
}

void ProfileView::Prepare()
{
    const TimeAxis axis = Axis();
    const qreal ratio = devicePixelRatioF();
    if (m_preparedAxis && SameAxis(*m_preparedAxis, axis) && m_preparedRatio == ratio)
        return;
    m_preparedAxis = axis;
    m_preparedRatio = ratio;
    for (Band& band : m_bands) {
        band.Layer =
            m_series ? LayProfile(*m_series, band.Value, axis, 1.0 / ratio) : ProfileLayer{};
        band.Scale = ChooseProfileScale(band.Layer.Range, band.Value == ProfileValue::SpeedKmh,
                                        kShortestScale);
    }
}

std::size_t ProfileView::ColumnCount()
{
    Prepare();
    return m_bands[0].Layer.ColumnCount() + m_bands[1].Layer.ColumnCount();
}

QString ProfileView::ReadoutText() const
{
    if (!m_series || m_series->Trips().empty()) // nothing to read
        return {};
    if (!m_hovered)
        return ProfileHintText();
    return ProfileReadoutText(
        m_series->Moments()[*m_hovered], m_series->Values(ProfileValue::SpeedKmh)[*m_hovered],
        m_series->Values(ProfileValue::HeightM)[*m_hovered], m_dateSeparator, m_timeSeparator);
}

// The bands are drawn into a picture once per span, size and picked windows; the pointer's moves
// only draw the mark and the row over it.
void ProfileView::paintEvent(QPaintEvent*)
{
    Prepare();
    const bool shown = BandRect(0).height() >= kShortestBand;
    const qreal ratio = devicePixelRatioF();
    if (m_bandsStale || m_bandsPicture.size() != size() * ratio) {
        m_bandsStale = false;
        m_bandsPicture = QPixmap(size() * ratio);
        m_bandsPicture.setDevicePixelRatio(ratio);
        m_bandsPicture.fill(palette().color(QPalette::Window));
        QPainter painter(&m_bandsPicture);
        for (std::size_t band = 0; shown && band < m_bands.size(); ++band)
            PaintBand(painter, band);
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_bandsPicture);
    if (!shown)
        return;
    PaintHovered(painter);
    PaintReadout(painter);
}

void ProfileView::PaintBand(QPainter& painter, std::size_t band) const
{
    const QRectF rect = BandRect(band);
    const ProfileScale& scale = m_bands[band].Scale;
    painter.fillRect(rect, palette().color(QPalette::Base));
    QColor shade = palette().color(QPalette::Highlight);
    shade.setAlpha(40);
    const TimeAxis axis = Axis();
    const std::vector<MsWindow> picked =
        m_timeline ? m_timeline->Picked() : std::vector<MsWindow>{};
    for (const MsWindow& window : picked) {
        const double left = std::clamp(axis.XOf(window.Start), rect.left(), rect.right());
        const double right = std::clamp(axis.XOf(window.End), rect.left(), rect.right());
        painter.fillRect(QRectF(left, rect.top(), right - left, rect.height()), shade);
    }
    painter.setPen(QPen(palette().color(QPalette::Midlight), 0));
    for (double v = scale.Low + scale.Step; v < scale.High - scale.Step / 2; v += scale.Step)
        painter.drawLine(QPointF(rect.left(), std::round(YOf(band, v)) + 0.5),
                         QPointF(rect.right(), std::round(YOf(band, v)) + 0.5));
    painter.save();
    painter.setClipRect(rect);
    PaintDropped(painter, band);
    PaintLines(painter, band);
    painter.restore();
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect.adjusted(0.5, 0.5, -0.5, -0.5));
    PaintCaption(painter, rect.topRight() + QPointF(-2, 1),
                 ProfileCaptionText(m_bands[band].Value, scale), palette());
}

// Columns a device pixel apart are bars, from the lowest to the highest value of the column and
// the last of the one before, filled without smoothing; farther apart, the line runs straight
// from the one's last value to the next one's first. A stroked line through every column's values
// would cost a hundred times more on a dense log.
void ProfileView::PaintLines(QPainter& painter, std::size_t band) const
{
    const double cell = 1.0 / m_preparedRatio;
    QVector<QRectF> bars;
    QVector<QLineF> steps;
    for (const ProfileLayer::Run& run : m_bands[band].Layer.Runs) {
        bars.clear();
        steps.clear();
        const ProfileColumn* previous = nullptr;
        for (const ProfileColumn& column : run.Columns) {
            float low = column.Min;
            float high = column.Max;
            if (previous != nullptr && column.X - previous->X <= 1.5 * cell) {
                low = std::min(low, previous->Last);
                high = std::max(high, previous->Last);
            } else if (previous != nullptr) {
                steps.append(QLineF(previous->X, YOf(band, previous->Last), column.X,
                                    YOf(band, column.First)));
            }
            const double top = YOf(band, high);
            bars.append(QRectF(column.X - kLineWidth / 2, top - kLineWidth / 2, kLineWidth,
                               YOf(band, low) - top + kLineWidth));
            previous = &column;
        }
        const QColor colour = TripQColor(run.Trip);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(colour, kLineWidth, Qt::SolidLine, Qt::FlatCap));
        painter.drawLines(steps);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour);
        painter.drawRects(bars);
    }
}

void ProfileView::PaintDropped(QPainter& painter, std::size_t band) const
{
    const QRectF rect = BandRect(band);
    QColor faint = palette().color(QPalette::Text);
    faint.setAlpha(80);
    const auto mark = [&](double x, float value) {
        const double y = std::clamp(YOf(band, value), rect.top() + 1, rect.bottom() - 1);
        painter.fillRect(QRectF(x - kDroppedMarkPixels / 2, y - kDroppedMarkPixels / 2,
                                kDroppedMarkPixels, kDroppedMarkPixels),
                         faint);
    };
    for (const ProfileColumn& column : m_bands[band].Layer.Dropped) {
        mark(column.X, column.Min);
        if (column.Max != column.Min)
            mark(column.X, column.Max);
    }
}

void ProfileView::PaintHovered(QPainter& painter) const
{
    if (!m_hovered || !m_series)
        return;
    const double x = Axis().XOf(m_series->Moments()[*m_hovered]);
    painter.setRenderHint(QPainter::Antialiasing);
    for (std::size_t band = 0; band < m_bands.size(); ++band) {
        const QRectF rect = BandRect(band);
        painter.setPen(QPen(palette().color(QPalette::Text), 0, Qt::DashLine));
        painter.drawLine(QPointF(x, rect.top()), QPointF(x, rect.bottom()));
        const float value = m_series->Values(m_bands[band].Value)[*m_hovered];
        if (!std::isfinite(value))
            continue;
        painter.setPen(QPen(palette().color(QPalette::Base), 1.5));
        painter.setBrush(palette().color(QPalette::Text));
        painter.drawEllipse(QPointF(x, YOf(band, value)), kHoverRadius, kHoverRadius);
    }
    painter.setRenderHint(QPainter::Antialiasing, false);
}

void ProfileView::PaintReadout(QPainter& painter) const
{
    const QRectF row(BandRect(0).left(), 0, BandRect(0).width(), fontMetrics().height());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(row, Qt::AlignLeft | Qt::AlignVCenter, ReadoutText());
    if (!m_series || m_series->DroppedMoments().empty())
        return;
    // The legend of the dropped records' marks, at the right.
    const QString legend = ProfileDroppedText();
    const double textLeft = row.right() - fontMetrics().horizontalAdvance(legend);
    painter.drawText(QRectF(textLeft, row.top(), row.right() - textLeft, row.height()),
                     Qt::AlignRight | Qt::AlignVCenter, legend);
    QColor faint = palette().color(QPalette::Text);
    faint.setAlpha(80);
    painter.fillRect(QRectF(textLeft - 8, row.center().y() - 1.5, 3, 3), faint);
}

void ProfileView::HoverAt(std::optional<double> x)
{
    m_pointerX = x;
    std::optional<std::size_t> position;
    if (x && m_series) {
        const TimeAxis axis = Axis();
        const double slack = kHoverSlackPixels * axis.MsPerPixel();
        if (*x >= axis.Left - kHoverSlackPixels && *x <= axis.Left + axis.Width + kHoverSlackPixels)
            position = m_series->NearestAt(axis.MsAt(*x), std::llround(std::max(slack, 1.0)));
    }
    if (position == m_hovered)
        return;
    m_hovered = position;
    update();
    emit HoverChanged(m_hovered);
}

// The timeline takes the pointer's presses, drags and wheel at the same moment of the clock.
void ProfileView::Forward(QMouseEvent* event)
{
    if (!m_timeline)
        return;
    QMouseEvent forwarded(event->type(), m_timeline->mapFromGlobal(event->globalPosition()),
                          event->globalPosition(), event->button(), event->buttons(),
                          event->modifiers());
    QCoreApplication::sendEvent(m_timeline, &forwarded);
    event->setAccepted(forwarded.isAccepted());
}

void ProfileView::mousePressEvent(QMouseEvent* event) { Forward(event); }

void ProfileView::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() != Qt::NoButton)
        Forward(event);
    HoverAt(event->position().x());
}

void ProfileView::mouseReleaseEvent(QMouseEvent* event) { Forward(event); }

void ProfileView::mouseDoubleClickEvent(QMouseEvent* event) { Forward(event); }

void ProfileView::wheelEvent(QWheelEvent* event)
{
    if (!m_timeline)
        return;
    QWheelEvent forwarded(m_timeline->mapFromGlobal(event->globalPosition()),
                          event->globalPosition(), event->pixelDelta(), event->angleDelta(),
                          event->buttons(), event->modifiers(), event->phase(), event->inverted());
    QCoreApplication::sendEvent(m_timeline, &forwarded);
    event->setAccepted(forwarded.isAccepted());
}

void ProfileView::leaveEvent(QEvent* event)
{
    HoverAt(std::nullopt);
    QWidget::leaveEvent(event);
}
