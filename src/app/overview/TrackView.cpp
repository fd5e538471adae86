#include "app/overview/TrackView.h"

#include "app/overview/OverviewText.h"

#include <QPainter>
#include <QPainterPath>
#include <array>
#include <cmath>

namespace {

constexpr int kPaddingPixels = 12;
constexpr double kLineWidth = 2.6;
constexpr double kFaintLineWidth = 1.6;
constexpr double kMarkerRadius = 5.5;
constexpr double kScaleBarShare = 0.3; // of the plot's width at most
constexpr int kMinimumWidth = 180;
constexpr int kMinimumHeight = 150;

const QColor kStrongColour(22, 88, 196);
const QColor kFaintColour(150, 168, 196);
const QColor kStartColour(30, 150, 70);
const QColor kEndColour(210, 50, 50);

// The largest length of 1, 2 or 5 times a power of ten that is at most `metres`.
double NiceLength(double metres)
{
    const double power = std::pow(10.0, std::floor(std::log10(metres)));
    for (const double step : {5.0, 2.0, 1.0}) {
        if (step * power <= metres)
            return step * power;
    }
    return power;
}

// The toolkit's forms of the plane's points, lines and boxes (pixels).
QPointF PointOf(const PlanePoint& p) { return {p.X, p.Y}; }

QPolygonF PolygonOf(const PlaneLine& line)
{
    QPolygonF polygon;
    polygon.reserve(static_cast<qsizetype>(line.size()));
    for (const PlanePoint& p : line)
        polygon.append(PointOf(p));
    return polygon;
}

PlaneBox BoxOf(const QRectF& r) { return {r.left(), r.top(), r.right(), r.bottom()}; }

QPen LinePen(const QColor& colour, double width)
{
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void PaintStartMarker(QPainter& painter, const QPointF& at)
{
    painter.setPen(QPen(Qt::white, 1.5));
    painter.setBrush(kStartColour);
    painter.drawEllipse(at, kMarkerRadius, kMarkerRadius);
}

// A square frame: drawn over the start marker, both still show when a log ends where it began.
void PaintEndMarker(QPainter& painter, const QPointF& at)
{
    const double half = kMarkerRadius + 2;
    const QRectF square(at.x() - half, at.y() - half, 2 * half, 2 * half);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, 5.0));
    painter.drawRect(square);
    painter.setPen(QPen(kEndColour, 2.5));
    painter.drawRect(square);
}

} // namespace

TrackView::TrackView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PaintTrack"));
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TrackView::SetPath(std::shared_ptr<const TrackPlane> path)
{
    m_path = std::move(path);
    m_stale = true;
    update();
}

void TrackView::SetWindow(const std::optional<MsWindow>& window)
{
    m_window = window;
    update();
}

const TrackView::ScaleBarPlace& TrackView::ScaleBar()
{
    Prepare();
    return m_scaleBar;
}

std::size_t TrackView::LinePointCount()
{
    Prepare();
    return m_lines.PointCount();
}

QSize TrackView::minimumSizeHint() const { return {kMinimumWidth, kMinimumHeight}; }
QSize TrackView::sizeHint() const { return {2 * kMinimumWidth, 2 * kMinimumHeight}; }

void TrackView::resizeEvent(QResizeEvent* event)
{
    m_stale = true;
    QWidget::resizeEvent(event);
}

void TrackView::Prepare()
{
    if (!m_stale && m_preparedRatio == devicePixelRatioF())
        return;
    m_stale = false;
    m_preparedRatio = devicePixelRatioF();
    m_lines = {};
    m_scaleBar = {};
    const int rowHeight = fontMetrics().height();
    // The legend's row above the plot, the scale bar's below.
    const QRectF plot = QRectF(rect()).adjusted(kPaddingPixels, kPaddingPixels + rowHeight + 4,
                                                -kPaddingPixels, -(kPaddingPixels + rowHeight + 4));
    if (m_path && m_path->HasPoints() && plot.width() > 0 && plot.height() > 0) {
        m_transform = FitTransform(m_path->Bounds(), BoxOf(plot));
        // One device pixel apart at most: no line loses a visible bend.
        m_lines = Decimate(*m_path, m_transform, 1.0 / m_preparedRatio);
        PlaceScaleBar(plot);
    }
    PaintFaintLayer();
}

void TrackView::PlaceScaleBar(const QRectF& plot)
{
    const double metres = NiceLength(plot.width() * kScaleBarShare / m_transform.PixelsPerMetre);
    m_scaleBar.Text = ScaleBarText(metres);
    const QFontMetricsF metrics(font());
    const double barWidth = metres * m_transform.PixelsPerMetre;
    const double rowTop = height() - kPaddingPixels - metrics.height();
    m_scaleBar.Bar = QRectF(kPaddingPixels, rowTop + metrics.height() / 2 - 3, barWidth, 6);
    m_scaleBar.TextRect =
        QRectF(m_scaleBar.Bar.right() + 6, rowTop,
               std::ceil(metrics.horizontalAdvance(m_scaleBar.Text)) + 1, metrics.height());
}

void TrackView::PaintFaintLayer()
{
    m_faint = QPixmap(size() * m_preparedRatio);
    m_faint.setDevicePixelRatio(m_preparedRatio);
    m_faint.fill(palette().color(QPalette::Base));
    QPainter painter(&m_faint);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    painter.setPen(LinePen(kFaintColour, kFaintLineWidth));
    for (const PlaneLine& line : m_lines.Lines)
        painter.drawPolyline(PolygonOf(line));
}

void TrackView::paintEvent(QPaintEvent*)
{
    Prepare();
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_faint);
    if (m_lines.Lines.empty())
        return;
    painter.setRenderHint(QPainter::Antialiasing);
    PaintStrong(painter);
    PaintMarkers(painter);
    PaintScaleBar(painter);
    PaintLegend(painter);
}

void TrackView::PaintStrong(QPainter& painter) const
{
    if (!m_window)
        return;
    const auto [first, last] = m_path->PositionsIn(*m_window);
    painter.setPen(LinePen(kStrongColour, kLineWidth));
    for (std::size_t i = 0; i < m_lines.Lines.size(); ++i) {
        const auto [begin, end] = m_lines.Ranges[i];
        const std::pair<std::size_t, std::size_t> inside{std::max(first, begin),
                                                         std::min(last, end)};
        if (inside.first >= inside.second)
            continue;
        QPolygonF part =
            PolygonOf(StrongPart(*m_path, m_transform, m_lines.Kept[i], m_lines.Lines[i], inside));
        if (part.size() == 1) // a lone fix: a dot as wide as the line
            part.append(part.front());
        painter.drawPolyline(part);
    }
}

void TrackView::PaintMarkers(QPainter& painter) const
{
    if (const std::optional<PlanePoint> start = m_path->FirstPoint())
        PaintStartMarker(painter, PointOf(m_transform.Map(*start)));
    if (const std::optional<PlanePoint> end = m_path->LastPoint())
        PaintEndMarker(painter, PointOf(m_transform.Map(*end)));
}

void TrackView::PaintScaleBar(QPainter& painter) const
{
    const QRectF& bar = m_scaleBar.Bar;
    painter.setPen(QPen(palette().color(QPalette::Text), 1.5, Qt::SolidLine, Qt::FlatCap));
    painter.setBrush(Qt::NoBrush);
    painter.drawLine(QPointF(bar.left(), bar.center().y()), QPointF(bar.right(), bar.center().y()));
    painter.drawLine(bar.topLeft(), bar.bottomLeft());
    painter.drawLine(bar.topRight(), bar.bottomRight());
    painter.drawText(m_scaleBar.TextRect, Qt::AlignLeft | Qt::AlignVCenter, m_scaleBar.Text);
}

void TrackView::PaintLegend(QPainter& painter) const
{
    const QFontMetricsF metrics(font());
    const double middle = kPaddingPixels + metrics.height() / 2;
    double x = kPaddingPixels + kMarkerRadius;
    const std::array<std::pair<bool, QString>, 2> items{
        {{true, StartMarkerText()}, {false, EndMarkerText()}}};
    for (const auto& [start, text] : items) {
        if (start)
            PaintStartMarker(painter, QPointF(x, middle));
        else
            PaintEndMarker(painter, QPointF(x, middle));
        painter.setPen(palette().color(QPalette::Text));
        const double textLeft = x + kMarkerRadius + 7;
        painter.drawText(QPointF(textLeft, kPaddingPixels + metrics.ascent()), text);
        x = textLeft + metrics.horizontalAdvance(text) + 14 + kMarkerRadius;
    }
    // North is up: an arrow in the legend's row, at the right.
    const double right = width() - kPaddingPixels;
    const QString north = QStringLiteral("N");
    const double northLeft = right - metrics.horizontalAdvance(north);
    painter.drawText(QPointF(northLeft, kPaddingPixels + metrics.ascent()), north);
    QPainterPath arrow;
    const double arrowX = northLeft - 8;
    arrow.moveTo(arrowX, kPaddingPixels + 1);
    arrow.lineTo(arrowX + 5, kPaddingPixels + metrics.height() - 2);
    arrow.lineTo(arrowX, kPaddingPixels + metrics.height() - 6);
    arrow.lineTo(arrowX - 5, kPaddingPixels + metrics.height() - 2);
    arrow.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette().color(QPalette::Text));
    painter.drawPath(arrow);
}
