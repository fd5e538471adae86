#pragma once

#include "geometry/MapView.h"
#include "geometry/Outline.h"
#include "map/TileSource.h"

#include <QCache>
#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QRectF>
#include <memory>
#include <optional>

class QPainter;

// What lies under the track picture's lines: the built-in outline of the world, and over it the
// tiles of a map source where it has them. The outline is drawn, not asked of a source: it is
// lines at any scale, so the picture without a source keeps its free zoom and is never blank.
// With a source the picture's scale is a whole zoom level of the source's tiles, one tile pixel a
// device pixel (TrackView snaps its view through Snaps() and TilePixels()).
class MapLayer final : public QObject
{
    Q_OBJECT

  public:
    explicit MapLayer(QObject* parent = nullptr);

    // The source whose tiles are drawn, or none; not owned (a source deleted is dropped).
    void SetSource(TileSource* source);
    [[nodiscard]] TileSource* Source() const { return m_source; }
    // True while a source is on: the picture's scale snaps to its zoom levels.
    [[nodiscard]] bool Snaps() const { return m_source != nullptr; }
    [[nodiscard]] int TilePixels() const;

    // Where the picture lies on the world: the plane's frame, the view's transform and the
    // snapped zoom level in the source's levels (ignored without a source).
    struct Place {
        MercatorFrame Frame;
        PlaneTransform Transform;
        int Zoom = 0;
    };
    // The picture at a view (nothing but the background without a place): lays the outline and
    // tells the source which tiles are wanted.
    void Prepare(const std::optional<Place>& place, const QSize& size, qreal deviceRatio,
                 const QColor& background);
    // Paints the background, the outline and the tiles the source holds now.
    void Paint(QPainter& painter);
    // The source's attribution, right-aligned at `bottomRight`, when its tiles showed in the last
    // Paint; the box it took, empty when nothing was drawn.
    QRectF PaintAttribution(QPainter& painter, const QPointF& bottomRight) const;
    // The tiles drawn in the last Paint.
    [[nodiscard]] int TilesDrawn() const { return m_tilesDrawn; }

  signals:
    // A tile arrived: the picture should be painted again.
    void Changed();

  private:
    void TileArrived(TileKey key);

    QPointer<TileSource> m_source;
    std::shared_ptr<const WorldOutline> m_outline;
    Place m_place;
    std::vector<PlacedTile> m_tiles; // those that cover the picture
    QPixmap m_under;                 // background and outline at the prepared view
    // Tiles as pixmaps, for painting without a conversion each time; in kilobytes.
    QCache<quint64, QPixmap> m_pixmaps;
    int m_tilesDrawn = 0;
};
