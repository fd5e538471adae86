#include "app/overview/TrackView.h"

#include "app/overview/MapLayer.h"
#include "app/overview/OverviewText.h"
#include "app/overview/TripColour.h"

#include <QApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>
#include <QToolTip>
#include <QWheelEvent>
#include <array>
#include <cmath>
#include <utility>

namespace {

constexpr int kPaddingPixels = 12;
constexpr double kLineWidth = 2.6;
constexpr double kFaintLineWidth = 1.6;
constexpr double kMarkerRadius = 5.5;
constexpr double kPhotoMarkerRadius = 5.0;
constexpr double kScaleBarShare = 0.3; // of the plot's width at most
constexpr int kMinimumWidth = 180;
constexpr int kMinimumHeight = 150;
// Picked trips fill the plot but for this share of it on every side.
constexpr double kFitMargin = 0.05;
// The wheel's step, the closest view (2 cm a pixel) and the farthest (a quarter of the whole log).
constexpr double kWheelZoom = 1.25;
constexpr double kMostPixelsPerMetre = 50.0;
constexpr double kFarthestShare = 0.25;
constexpr double kClickSlackPixels = 5.0;
// A dragged photo's mark keeps to the track within this reach of the pointer.
constexpr double kPhotoSnapPixels = 16.0;
// More picked parts than this get one start and one end mark in all.
constexpr std::size_t kMarkedParts = 8;

const QColor kMarkerColour(60, 60, 60);

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

// A circle for a start: white ring, a dark edge, filled with the trip's colour.
void PaintStartMarker(QPainter& painter, const QPointF& at, const QColor& fill)
{
    painter.setPen(QPen(Qt::white, 4.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(at, kMarkerRadius, kMarkerRadius);
    painter.setPen(QPen(kMarkerColour, 1.5));
    painter.setBrush(fill);
    painter.drawEllipse(at, kMarkerRadius, kMarkerRadius);
}

// A square frame for an end: drawn over a start, both still show when a trip ends where it began.
void PaintEndMarker(QPainter& painter, const QPointF& at, const QColor& edge)
{
    const double half = kMarkerRadius + 2;
    const QRectF square(at.x() - half, at.y() - half, 2 * half, 2 * half);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, 5.0));
    painter.drawRect(square);
    painter.setPen(QPen(edge, 2.5));
    painter.drawRect(square);
}

// A diamond for a photo, filled with its trip's colour, with a white halo and a dark edge; the
// picked photo's is larger, in a ring of the highlight colour. A photo at the position it holds
// itself is hollow: the edge alone, in the trip's colour.
void PaintPhotoMarker(QPainter& painter, const QPointF& at, const QColor& fill, bool hollow,
                      const std::optional<QColor>& ring = std::nullopt)
{
    const double r = ring ? kPhotoMarkerRadius * 1.6 : kPhotoMarkerRadius;
    if (ring) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(*ring, 3.0));
        painter.drawEllipse(at, r + 5, r + 5);
    }
    const QPolygonF diamond{
        {at.x(), at.y() - r}, {at.x() + r, at.y()}, {at.x(), at.y() + r}, {at.x() - r, at.y()}};
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, 3.0, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.drawPolygon(diamond);
    if (hollow) {
        painter.setPen(QPen(fill, ring ? 3.0 : 2.2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        painter.setBrush(Qt::NoBrush);
    } else {
        painter.setPen(
            QPen(kMarkerColour, ring ? 2.0 : 1.2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        painter.setBrush(fill);
    }
    painter.drawPolygon(diamond);
}

// The box around the finite points of the parts; nothing without one.
std::optional<PlaneBox> BoundsOf(const TrackPlane& plane, const std::vector<TripRange>& parts)
{
    std::optional<PlaneBox> box;
    for (const TripRange& part : parts) {
        const std::optional<PlaneBox> own = plane.BoundsOf(part.Begin, part.End);
        if (!own)
            continue;
        box = box ? PlaneBox{std::min(box->MinX, own->MinX), std::min(box->MinY, own->MinY),
                             std::max(box->MaxX, own->MaxX), std::max(box->MaxY, own->MaxY)}
                  : *own;
    }
    return box;
}

PlaneBox WithMargin(const PlaneBox& box)
{
    const double dx = box.Width() * kFitMargin;
    const double dy = box.Height() * kFitMargin;
    return {box.MinX - dx, box.MinY - dy, box.MaxX + dx, box.MaxY + dy};
}

} // namespace

TrackView::TrackView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PaintTrack"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Tab reaches the picture: + and - zoom, the arrows pan, Home shows the whole log.
    setFocusPolicy(Qt::StrongFocus);
    m_wholeButton = new QToolButton(this);
    m_wholeButton->setObjectName(QStringLiteral("ToolWholeTrack"));
    m_wholeButton->setText(QStringLiteral("全体表示"));
    m_wholeButton->setToolTip(QStringLiteral("ログ全体を表示します (Home)"));
    m_wholeButton->setFocusPolicy(Qt::NoFocus);
    m_wholeButton->setCursor(Qt::ArrowCursor);
    m_wholeButton->hide();
    connect(m_wholeButton, &QToolButton::clicked, this, &TrackView::ShowWholeLog);
    m_map = new MapLayer(this);
    connect(m_map, &MapLayer::Changed, this, qOverload<>(&TrackView::update));
}

void TrackView::SetMapSource(TileSource* source)
{
    m_map->SetSource(source);
    m_stale = true;
    update();
}

bool TrackView::HasPoints() const { return m_path && m_path->HasPoints(); }

void TrackView::SetPath(std::shared_ptr<const TrackPlane> path)
{
    m_path = std::move(path);
    m_allTrips = m_path ? WholeTrips(*m_path) : std::vector<TripRange>{};
    m_picked.clear();
    m_strongParts.clear();
    m_strongStale = true;
    ShowWholeLog();
}

void TrackView::SetPicked(std::vector<MsWindow> windows, bool fit)
{
    const bool wholeLogWasPicked = m_strongParts == m_allTrips;
    m_picked = std::move(windows);
    m_strongParts = m_path ? TripRangesIn(*m_path, m_picked) : std::vector<TripRange>{};
    m_strongStale = true;
    // The faint layer is drawn only while some trip is not picked.
    if (wholeLogWasPicked != (m_strongParts == m_allTrips))
        m_stale = true;
    if (fit && HasPoints())
        if (const std::optional<PlaneBox> box = BoundsOf(*m_path, m_strongParts))
            FitTo(Fit::Picked, WithMargin(*box));
    update();
}

void TrackView::ShowWholeLog()
{
    FitTo(Fit::WholeLog, HasPoints() ? std::optional(m_path->Bounds()) : std::nullopt);
}

void TrackView::FitTo(Fit fit, const std::optional<PlaneBox>& box)
{
    m_fit = fit;
    m_fitBox = box;
    m_stale = true;
    m_wholeButton->setVisible(fit != Fit::WholeLog && HasPoints());
    update();
}

void TrackView::SetUserView(const PlaneView& view)
{
    FitTo(Fit::None, std::nullopt);
    m_view = view;
}

const PlaneView& TrackView::View()
{
    Prepare();
    return m_view;
}

QPointF TrackView::PixelOf(std::size_t position)
{
    Prepare();
    if (!m_path || position >= m_path->Size())
        return {};
    return PointOf(m_transform.Map(m_path->Point(position)));
}

const TrackView::ScaleBarPlace& TrackView::ScaleBar()
{
    Prepare();
    return m_scaleBar;
}

std::size_t TrackView::LinePointCount()
{
    Prepare();
    return m_faintLayer.PointCount();
}

QSize TrackView::minimumSizeHint() const { return {kMinimumWidth, kMinimumHeight}; }
QSize TrackView::sizeHint() const { return {2 * kMinimumWidth, 2 * kMinimumHeight}; }

void TrackView::resizeEvent(QResizeEvent* event)
{
    m_stale = true;
    const QSize button = m_wholeButton->sizeHint();
    m_wholeButton->move(width() - kPaddingPixels - button.width(),
                        height() - kPaddingPixels - button.height());
    QWidget::resizeEvent(event);
}

PlaneBox TrackView::Plot() const
{
    // The legend's row above the plot, the scale bar's below.
    const int rowHeight = fontMetrics().height();
    return BoxOf(QRectF(rect()).adjusted(kPaddingPixels, kPaddingPixels + rowHeight + 4,
                                         -kPaddingPixels, -(kPaddingPixels + rowHeight + 4)));
}

void TrackView::Prepare()
{
    if (!m_stale && m_preparedRatio == devicePixelRatioF())
        return;
    m_stale = false;
    m_strongStale = true;
    m_preparedRatio = devicePixelRatioF();
    m_faintLayer = {};
    m_scaleBar = {};
    const PlaneBox plot = Plot();
    std::optional<MapLayer::Place> place;
    if (HasPoints() && plot.Width() > 0 && plot.Height() > 0) {
        PlaceView(plot);
        place = MapLayer::Place{m_path->Frame(), m_transform, m_mapZoom};
        // One cell a device pixel: the work is bounded by the picture, not by the fixes.
        m_faintLayer =
            LayTrack(*m_path, m_transform, BoxOf(rect()), 1.0 / m_preparedRatio, m_allTrips);
        PlaceScaleBar(plot);
    }
    m_map->Prepare(place, size(), m_preparedRatio, palette().color(QPalette::Base));
    m_faint = QPixmap(size() * m_preparedRatio);
    m_faint.setDevicePixelRatio(m_preparedRatio);
    m_faint.fill(Qt::transparent);
    QPainter painter(&m_faint);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    // Under a strong layer of every trip nothing faint would show.
    if (m_strongParts != m_allTrips)
        PaintLayer(painter, m_faintLayer, false);
}

void TrackView::PlaceView(const PlaneBox& plot)
{
    if (m_fitBox)
        m_view = FitView(*m_fitBox, plot);
    if (!m_map->Snaps()) {
        m_transform = m_view.Transform(plot);
        return;
    }
    // A fit takes the level that still shows all it fits; a zoom or a pan the nearest level.
    const MapZoom snapped =
        SnapToZoom(m_view, m_path->Frame(), m_preparedRatio, m_map->TilePixels(),
                   m_fitBox ? ZoomRounding::Down : ZoomRounding::Nearest);
    m_view = snapped.View;
    m_mapZoom = snapped.Zoom;
    m_transform = AlignToDevicePixels(m_view.Transform(plot), m_path->Frame(), m_preparedRatio);
}

void TrackView::PrepareStrong()
{
    Prepare();
    if (!m_strongStale)
        return;
    m_strongStale = false;
    if (m_strongParts == m_allTrips) // the whole log is picked: the faint layer's lines
        m_strongLayer = m_faintLayer;
    else if (HasPoints())
        m_strongLayer =
            LayTrack(*m_path, m_transform, BoxOf(rect()), 1.0 / m_preparedRatio, m_strongParts);
    else
        m_strongLayer = {};
    m_strong = QPixmap(size() * m_preparedRatio);
    m_strong.setDevicePixelRatio(m_preparedRatio);
    m_strong.fill(Qt::transparent);
    QPainter painter(&m_strong);
    PaintLayer(painter, m_strongLayer, true);
}

void TrackView::PlaceScaleBar(const PlaneBox& plot)
{
    const ::ScaleBar bar =
        ChooseScaleBar(*m_path, m_transform, plot.Centre().Y, plot.Width() * kScaleBarShare);
    m_scaleBar.Metres = bar.Metres;
    m_scaleBar.Text = ScaleBarText(bar.Metres);
    const QFontMetricsF metrics(font());
    const double rowTop = height() - kPaddingPixels - metrics.height();
    m_scaleBar.Bar = QRectF(kPaddingPixels, rowTop + metrics.height() / 2 - 3, bar.Pixels, 6);
    m_scaleBar.TextRect =
        QRectF(m_scaleBar.Bar.right() + 6, rowTop,
               std::ceil(metrics.horizontalAdvance(m_scaleBar.Text)) + 1, metrics.height());
}

void TrackView::PaintLayer(QPainter& painter, const TrackLayer& layer, bool strong) const
{
    const QColor base = palette().color(QPalette::Base);
    const auto colour = [&](std::size_t trip) {
        return strong ? TripQColor(trip) : FaintTripQColor(trip, base);
    };
    const double width = strong ? kLineWidth : kFaintLineWidth;
    // A jump is a hairline in the faint colour, strong or not: no fix lies along it.
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (const TrackLayer::Jump& jump : layer.Jumps) {
        painter.setPen(QPen(FaintTripQColor(jump.Trip, base), 0));
        painter.drawLine(PointOf(jump.From), PointOf(jump.To));
    }
    painter.setRenderHint(QPainter::Antialiasing);
    // Square caps and bevelled joins: at these widths they look as round ones do, at a fraction
    // of the cost. The pen changes only with the trip.
    std::optional<std::size_t> penTrip;
    for (const TrackLayer::Line& line : layer.Lines) {
        if (line.Trip != penTrip)
            painter.setPen(
                QPen(colour(line.Trip), width, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
        penTrip = line.Trip;
        painter.drawPolyline(PolygonOf(line.Points));
    }
    // Dots as small squares, filled without smoothing; the excursions of a noisy log are specks
    // in the faint colour, so that the trips' lines stand out among them.
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (const TrackLayer::Dot& dot : layer.Dots) {
        const double side = dot.Excursion ? kFaintLineWidth : width;
        painter.fillRect(QRectF(dot.At.X - side / 2, dot.At.Y - side / 2, side, side),
                         dot.Excursion ? FaintTripQColor(dot.Trip, base) : colour(dot.Trip));
    }
}

void TrackView::paintEvent(QPaintEvent*)
{
    PrepareStrong();
    QPainter painter(this);
    m_map->Paint(painter);
    painter.drawPixmap(0, 0, m_faint);
    if (hasFocus()) { // where the keys act
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
    }
    if (!HasPoints())
        return;
    painter.drawPixmap(0, 0, m_strong);
    painter.setRenderHint(QPainter::Antialiasing);
    PaintMarkers(painter);
    PaintPhotoMarks(painter);
    PaintProfileMark(painter);
    PaintScaleBar(painter);
    PaintLegend(painter);
    // The map's source named at the bottom right, left of the button when it shows.
    const double right = m_wholeButton->isVisible() ? m_wholeButton->geometry().left() - 6.0
                                                    : width() - kPaddingPixels;
    m_map->PaintAttribution(painter, QPointF(right, height() - kPaddingPixels));
}

void TrackView::focusInEvent(QFocusEvent* event)
{
    update();
    QWidget::focusInEvent(event);
}

void TrackView::focusOutEvent(QFocusEvent* event)
{
    update();
    QWidget::focusOutEvent(event);
}

std::vector<TrackView::Mark> TrackView::Marks(bool starts) const
{
    std::vector<Mark> marks;
    if (!HasPoints() || m_strongParts.empty())
        return marks;
    const auto add = [&](const TripRange& part) {
        const std::optional<PlanePoint> p = starts ? m_path->FirstPointIn(part.Begin, part.End)
                                                   : m_path->LastPointIn(part.Begin, part.End);
        if (p)
            marks.push_back({PointOf(m_transform.Map(*p)), part.Trip});
    };
    if (m_strongParts.size() <= kMarkedParts) {
        for (const TripRange& part : m_strongParts)
            add(part);
    } else {
        add(starts ? m_strongParts.front() : m_strongParts.back());
    }
    return marks;
}

std::vector<QPointF> TrackView::MarkPixels(bool starts)
{
    PrepareStrong();
    std::vector<QPointF> pixels;
    for (const Mark& mark : Marks(starts))
        pixels.push_back(mark.At);
    return pixels;
}

void TrackView::PaintMarkers(QPainter& painter) const
{
    // The ends first: a trip that starts where the one before it ended keeps its start in sight.
    for (const Mark& mark : Marks(false))
        PaintEndMarker(painter, mark.At, kMarkerColour);
    for (const Mark& mark : Marks(true))
        PaintStartMarker(painter, mark.At, TripQColor(mark.Trip));
}

void TrackView::PaintPlate(QPainter& painter, const QRectF& area) const
{
    constexpr double kPlatePadding = 3;
    constexpr int kPlateAlpha = 200; // the track shows through, faintly
    QColor plate = palette().color(QPalette::Base);
    plate.setAlpha(kPlateAlpha);
    painter.setPen(Qt::NoPen);
    painter.setBrush(plate);
    painter.drawRoundedRect(
        area.adjusted(-kPlatePadding, -kPlatePadding, kPlatePadding, kPlatePadding), kPlatePadding,
        kPlatePadding);
}

void TrackView::SetPhotoMarks(std::vector<PhotoMark> marks, std::optional<std::size_t> picked)
{
    m_photoMarks = std::move(marks);
    m_pickedPhoto = picked;
    update();
}

std::vector<QPointF> TrackView::PhotoMarkPixels()
{
    Prepare();
    std::vector<QPointF> pixels;
    for (const PhotoMark& mark : m_photoMarks)
        pixels.push_back(PointOf(m_transform.Map(mark.At)));
    return pixels;
}

void TrackView::PaintPhotoMarks(QPainter& painter) const
{
    const QColor noTrip = palette().color(QPalette::Mid);
    const PhotoMark* picked = nullptr;
    // A mark being dragged lies where the pointer took it along the track.
    const auto at = [this](const PhotoMark& mark) {
        const bool dragged = m_draggingPhoto && mark.Photo == m_pressedPhoto && m_dragSpot;
        return PointOf(m_transform.Map(dragged ? m_dragSpot->At : mark.At));
    };
    for (const PhotoMark& mark : m_photoMarks) {
        if (mark.Photo == m_pickedPhoto) {
            picked = &mark;
            continue;
        }
        PaintPhotoMarker(painter, at(mark), mark.Trip ? TripQColor(*mark.Trip) : noTrip, mark.Held);
    }
    if (picked != nullptr)
        PaintPhotoMarker(painter, at(*picked), picked->Trip ? TripQColor(*picked->Trip) : noTrip,
                         picked->Held, palette().color(QPalette::Highlight));
}

std::optional<std::size_t> TrackView::PhotoAt(const QPointF& pixel)
{
    Prepare();
    std::optional<std::size_t> found;
    double best = kPhotoMarkerRadius * 1.6 + 2;
    for (const PhotoMark& mark : m_photoMarks) {
        const QPointF at = PointOf(m_transform.Map(mark.At));
        const double distance = std::hypot(at.x() - pixel.x(), at.y() - pixel.y());
        // The picked mark is drawn on top: it wins a tie.
        if (distance < best || (distance <= best && mark.Photo == m_pickedPhoto)) {
            best = distance;
            found = mark.Photo;
        }
    }
    return found;
}

void TrackView::DragPhoto(const QPointF& pixel)
{
    if (!m_draggingPhoto)
        setCursor(Qt::ClosedHandCursor);
    m_draggingPhoto = true;
    m_dragSpot = SpotNear(*m_path, m_transform, {pixel.x(), pixel.y()}, kPhotoSnapPixels);
    update();
}

bool TrackView::event(QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const std::optional<std::size_t> photo =
        HasPoints() ? PhotoAt(help->pos()) : std::optional<std::size_t>();
    const std::optional<std::size_t> trip =
        HasPoints() && !photo ? TripAt(help->pos()) : std::optional<std::size_t>();
    if (photo)
        emit PhotoToolTip(*photo, help->globalPos());
    else if (trip)
        emit TripToolTip(*trip, help->globalPos());
    else
        QToolTip::hideText();
    return true;
}

void TrackView::SetProfileMark(std::optional<std::size_t> position)
{
    m_profileMark = position;
    update();
}

// A ring in the highlight colour around the fix, over a white halo.
void TrackView::PaintProfileMark(QPainter& painter) const
{
    if (!m_profileMark || *m_profileMark >= m_path->Size())
        return;
    const PlanePoint& point = m_path->Point(*m_profileMark);
    if (!IsFinite(point))
        return;
    const QPointF at = PointOf(m_transform.Map(point));
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, 5.0));
    painter.drawEllipse(at, kMarkerRadius + 1, kMarkerRadius + 1);
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2.5));
    painter.drawEllipse(at, kMarkerRadius + 1, kMarkerRadius + 1);
}

void TrackView::PaintScaleBar(QPainter& painter) const
{
    const QRectF& bar = m_scaleBar.Bar;
    // On a plate, readable over the track and the map.
    PaintPlate(painter, bar.united(m_scaleBar.TextRect));
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
            PaintStartMarker(painter, QPointF(x, middle), palette().color(QPalette::Base));
        else
            PaintEndMarker(painter, QPointF(x, middle), kMarkerColour);
        painter.setPen(palette().color(QPalette::Text));
        const double textLeft = x + kMarkerRadius + 7;
        painter.drawText(QPointF(textLeft, kPaddingPixels + metrics.ascent()), text);
        x = textLeft + metrics.horizontalAdvance(text) + 14 + kMarkerRadius;
    }
    if (!m_photoMarks.empty()) {
        PaintPhotoMarker(painter, QPointF(x, middle), palette().color(QPalette::Base), false);
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(QPointF(x + kMarkerRadius + 7, kPaddingPixels + metrics.ascent()),
                         PhotoMarkerText());
    }
    // North is up: an arrow in the legend's row, at the right.
    const double right = width() - kPaddingPixels;
    const QString north = QStringLiteral("N");
    const double northLeft = right - metrics.horizontalAdvance(north);
    PaintPlate(painter,
               QRectF(northLeft - 14, kPaddingPixels, right - northLeft + 14, metrics.height()));
    painter.setPen(palette().color(QPalette::Text));
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

std::optional<std::size_t> TrackView::TripAt(const QPointF& pixel)
{
    Prepare();
    return TripNear(m_faintLayer, {pixel.x(), pixel.y()}, kClickSlackPixels);
}

void TrackView::ZoomAt(const QPointF& pixel, double factor)
{
    Prepare();
    if (!HasPoints())
        return;
    const PlaneBox plot = Plot();
    const double farthest = FitView(m_path->Bounds(), plot).PixelsPerMetre * kFarthestShare;
    const double scale = std::clamp(m_view.PixelsPerMetre * factor, farthest, kMostPixelsPerMetre);
    SetUserView(ZoomView(m_view, plot, {pixel.x(), pixel.y()}, scale / m_view.PixelsPerMetre));
}

double TrackView::ZoomStep() const { return m_map->Snaps() ? 2.0 : kWheelZoom; }

void TrackView::wheelEvent(QWheelEvent* event)
{
    const int angle = event->angleDelta().y();
    if (angle == 0 || !HasPoints())
        return QWidget::wheelEvent(event);
    event->accept();
    if (!m_map->Snaps())
        return ZoomAt(event->position(), std::pow(kWheelZoom, angle / 120.0));
    // A map steps by whole levels: a fine wheel's small turns add up to one.
    m_wheelAngle += angle;
    const int steps = m_wheelAngle / 120;
    m_wheelAngle -= steps * 120;
    if (steps != 0)
        ZoomAt(event->position(), std::pow(ZoomStep(), steps));
}

void TrackView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !HasPoints())
        return QWidget::mousePressEvent(event);
    Prepare();
    m_pressAt = event->position();
    m_viewAtPress = m_view;
    m_panning = false;
    m_pressedPhoto = PhotoAt(event->position());
}

void TrackView::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_pressAt)
        return QWidget::mouseMoveEvent(event);
    const QPointF moved = event->position() - *m_pressAt;
    if (!m_panning && !m_draggingPhoto &&
        moved.manhattanLength() < QApplication::startDragDistance())
        return;
    if (m_pressedPhoto)
        return DragPhoto(event->position());
    if (!m_panning)
        setCursor(Qt::ClosedHandCursor);
    m_panning = true;
    SetUserView(PanView(m_viewAtPress, moved.x(), moved.y()));
}

void TrackView::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_pressAt || event->button() != Qt::LeftButton)
        return QWidget::mouseReleaseEvent(event);
    const std::optional<std::size_t> photo = std::exchange(m_pressedPhoto, std::nullopt);
    const std::optional<TrackSpot> spot = std::exchange(m_dragSpot, std::nullopt);
    const bool dragged = std::exchange(m_draggingPhoto, false);
    if (photo && dragged && spot)
        emit PhotoDropped(*photo, spot->Moment);
    else if (photo && !dragged)
        emit PhotoClicked(*photo);
    else if (!photo && !m_panning)
        if (const std::optional<std::size_t> trip = TripAt(event->position())) {
            m_clicked = {*trip, event->position()};
            emit TripClicked(*trip, event->modifiers());
        }
    m_pressAt.reset();
    m_panning = false;
    unsetCursor();
    update();
}

void TrackView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !HasPoints())
        return;
    // The click before, at the same spot, picked the trip and fitted the picture to it: the trip
    // under the pointer now may be another one.
    const std::optional<ClickedTrip> clicked = std::exchange(m_clicked, std::nullopt);
    if (clicked &&
        (event->position() - clicked->At).manhattanLength() < QApplication::startDragDistance())
        emit TripDoubleClicked(clicked->Trip);
    else if (const std::optional<std::size_t> trip = TripAt(event->position()))
        emit TripDoubleClicked(*trip);
    else
        ShowWholeLog();
}

void TrackView::keyPressEvent(QKeyEvent* event)
{
    const QPointF middle = QRectF(rect()).center();
    const double step = std::min(width(), height()) / 8.0;
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        return ZoomAt(middle, ZoomStep());
    case Qt::Key_Minus:
        return ZoomAt(middle, 1 / ZoomStep());
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down: {
        if (!HasPoints())
            break;
        const double dx = event->key() == Qt::Key_Left    ? step
                          : event->key() == Qt::Key_Right ? -step
                                                          : 0;
        const double dy = event->key() == Qt::Key_Up     ? step
                          : event->key() == Qt::Key_Down ? -step
                                                         : 0;
        Prepare();
        return SetUserView(PanView(m_view, dx, dy));
    }
    case Qt::Key_Home:
        return ShowWholeLog();
    default:
        break;
    }
    QWidget::keyPressEvent(event);
}
