#pragma once

#include "map/TileSource.h"
#include "tiles/LruCache.h"
#include "tiles/MbTiles.h"
#include "tiles/TileCoord.h"

#include <QThreadPool>
#include <memory>
#include <set>

// A map file's tiles: read and decoded on a thread of their own, kept decoded in a bounded
// memory cache. The file is only ever read.
class MbTilesSource : public TileSource
{
    Q_OBJECT

  public:
    static constexpr std::int64_t kMemoryBytes = 64'000'000;

    MbTilesSource(std::unique_ptr<MbTilesFile> file, QString name, QObject* parent = nullptr);
    ~MbTilesSource() override;

    [[nodiscard]] QString Name() const override { return m_name; }
    [[nodiscard]] QString Attribution() const override { return m_attribution; }
    [[nodiscard]] int MinZoom() const override { return m_minZoom; }
    [[nodiscard]] int MaxZoom() const override { return m_maxZoom; }
    [[nodiscard]] int TilePixels() const override { return m_tilePixels; }
    void SetWanted(const std::vector<TileKey>& keys) override;
    [[nodiscard]] TileImage Tile(const TileKey& key) override;

  private:
    enum class Found {
        Image,
        Missing,
        Failed,
    };
    void Load(const TileCoord& tile);
    void Loaded(const TileCoord& tile, Found found, const QImage& image);

    std::unique_ptr<MbTilesFile> m_file; // read on m_worker alone
    QString m_name;
    QString m_attribution;
    int m_minZoom = 0;
    int m_maxZoom = 0;
    int m_tilePixels = 256;
    LruCache<TileCoord, QImage> m_memory{kMemoryBytes};
    std::set<TileCoord> m_loading;
    std::set<TileCoord> m_missing;
    std::set<TileCoord> m_failed;
    QThreadPool m_worker;
};
