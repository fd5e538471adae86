#include "app/overview/MapLayer.h"

#include <QFile>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <span>

namespace {

// Room for the pixmaps of a picture of 4K at 200 %, twice over.
constexpr int kPixmapCacheKb = 96 * 1024;
const QColor kCoastColour(120, 150, 180);
const QColor kBorderColour(170, 160, 175);
constexpr double kCoastWidth = 1.0;
constexpr double kBorderWidth = 0.8;
// Points of the outline nearer each other than this (pixels) are drawn as one.
constexpr double kOutlineStepPixels = 0.75;
constexpr int kAttributionPadding = 3;
constexpr double kAttributionShare = 0.85;

// The built-in outline, read once from the program's resources.
std::shared_ptr<const WorldOutline> BuiltInOutline()
{
    static const std::shared_ptr<const WorldOutline> outline = [] {
        QFile file(QStringLiteral(":/map/outline.bin"));
        if (!file.open(QIODevice::ReadOnly))
            return std::make_shared<const WorldOutline>();
        const QByteArray bytes = file.readAll();
        std::optional<WorldOutline> read =
            ReadOutline(std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                  static_cast<std::size_t>(bytes.size())));
        return std::make_shared<const WorldOutline>(read ? std::move(*read) : WorldOutline{});
    }();
    return outline;
}

quint64 KeyOf(const TileKey& key)
{
    return quint64(quint32(key.Z)) << 58 | quint64(quint32(key.X)) << 29 | quint64(quint32(key.Y));
}

QRectF PixelRect(const PlaneTransform& transform, const MercatorFrame& frame, const PlaneBox& unit)
{
    const PlanePoint topLeft = PixelOfUnit(transform, frame, {unit.MinX, unit.MinY});
    const PlanePoint bottomRight = PixelOfUnit(transform, frame, {unit.MaxX, unit.MaxY});
    return {QPointF(topLeft.X, topLeft.Y), QPointF(bottomRight.X, bottomRight.Y)};
}

} // namespace

MapLayer::MapLayer(QObject* parent) : QObject(parent), m_outline(BuiltInOutline())
{
    m_pixmaps.setMaxCost(kPixmapCacheKb);
}

void MapLayer::SetSource(TileSource* source)
{
    if (m_source == source)
        return;
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    m_pixmaps.clear();
    m_tiles.clear();
    if (m_source)
        connect(m_source, &TileSource::TileArrived, this, &MapLayer::TileArrived);
}

int MapLayer::TilePixels() const { return m_source ? m_source->TilePixels() : 256; }

void MapLayer::TileArrived(TileKey key)
{
    m_pixmaps.remove(KeyOf(key));
    emit Changed();
}

void MapLayer::Prepare(const std::optional<Place>& place, const QSize& size, qreal deviceRatio,
                       const QColor& background)
{
    m_tiles.clear();
    m_under = QPixmap(size * deviceRatio);
    m_under.setDevicePixelRatio(deviceRatio);
    m_under.fill(background);
    if (!place) {
        if (m_source)
            m_source->SetWanted({});
        return;
    }
    m_place = *place;
    const PlaneBox picture{0, 0, double(size.width()), double(size.height())};
    QPainter painter(&m_under);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPen coast(kCoastColour, kCoastWidth);
    const QPen border(kBorderColour, kBorderWidth, Qt::DashLine);
    for (const LaidOutlineLine& line : LayOutline(*m_outline, place->Frame, place->Transform,
                                                  picture, kOutlineStepPixels / deviceRatio)) {
        painter.setPen(line.Kind == OutlineKind::Coast ? coast : border);
        QPolygonF polygon;
        polygon.reserve(static_cast<qsizetype>(line.Pixels.size()));
        for (const PlanePoint& p : line.Pixels)
            polygon.append(QPointF(p.X, p.Y));
        painter.drawPolyline(polygon);
    }
    if (!m_source)
        return;
    // Past the source's deepest level its deepest tiles are drawn larger; above its first, none.
    const int level = std::min(place->Zoom, m_source->MaxZoom());
    if (level < m_source->MinZoom())
        return m_source->SetWanted({});
    const PlaneBox units = UnitBoxOf(place->Transform, place->Frame, picture);
    std::vector<TileKey> wanted;
    for (const PlacedTile& tile : TilesCovering(units, level, 1))
        wanted.push_back({tile.Tile.Z, tile.Tile.X, tile.Tile.Y});
    m_tiles = TilesCovering(units, level, 0);
    m_source->SetWanted(wanted);
}

void MapLayer::Paint(QPainter& painter)
{
    painter.drawPixmap(0, 0, m_under);
    m_tilesDrawn = 0;
    if (!m_source)
        return;
    // Tiles of the picture's own level are drawn pixel for pixel; deeper views enlarge them.
    painter.setRenderHint(QPainter::SmoothPixmapTransform,
                          !m_tiles.empty() && m_tiles.front().Tile.Z < m_place.Zoom);
    for (const PlacedTile& placed : m_tiles) {
        const TileKey key{placed.Tile.Z, placed.Tile.X, placed.Tile.Y};
        QPixmap* pixmap = m_pixmaps.object(KeyOf(key));
        if (pixmap == nullptr) {
            const TileImage tile = m_source->Tile(key);
            if (tile.Status != TileImage::State::Ready || tile.Image.isNull())
                continue;
            pixmap = new QPixmap(QPixmap::fromImage(tile.Image));
            const qint64 kb = std::max<qint64>(1, pixmap->width() * pixmap->height() / 256);
            if (!m_pixmaps.insert(KeyOf(key), pixmap, static_cast<int>(kb)))
                continue; // larger than the whole cache: not drawn
        }
        painter.drawPixmap(PixelRect(m_place.Transform, m_place.Frame, placed.Units), *pixmap,
                           QRectF(pixmap->rect()));
        ++m_tilesDrawn;
    }
}

QRectF MapLayer::PaintAttribution(QPainter& painter, const QPointF& bottomRight) const
{
    if (m_tilesDrawn == 0 || !m_source || m_source->Attribution().isEmpty())
        return {};
    const QString text = m_source->Attribution();
    painter.save();
    // A smaller print than the picture's own, whether its size is in points or in pixels.
    QFont font = painter.font();
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * kAttributionShare);
    else
        font.setPixelSize(std::max(1, qRound(font.pixelSize() * kAttributionShare)));
    painter.setFont(font);
    const QFontMetricsF metrics(font);
    const QRectF box(bottomRight.x() - metrics.horizontalAdvance(text) - 2 * kAttributionPadding,
                     bottomRight.y() - metrics.height() - 2 * kAttributionPadding,
                     metrics.horizontalAdvance(text) + 2 * kAttributionPadding,
                     metrics.height() + 2 * kAttributionPadding);
    painter.fillRect(box, QColor(255, 255, 255, 200));
    painter.setPen(QColor(40, 40, 40));
    painter.drawText(box, Qt::AlignCenter, text);
    painter.restore();
    return box;
}
