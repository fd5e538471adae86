#include "map/MbTilesSource.h"

#include "map/TileDecode.h"

MbTilesSource::MbTilesSource(std::unique_ptr<MbTilesFile> file, QString name, QObject* parent)
    : TileSource(parent), m_file(std::move(file)), m_name(std::move(name)),
      m_attribution(QString::fromStdString(m_file->Info().Attribution)),
      m_minZoom(m_file->Info().MinZoom), m_maxZoom(m_file->Info().MaxZoom)
{
    m_worker.setMaxThreadCount(1);
    // A file holds tiles of one size: the first tile's.
    std::string bytes;
    if (m_file->AnyTile(bytes)) {
        const QImage image = DecodeTile(bytes);
        if (!image.isNull()) {
            m_tilePixels = image.width();
        }
    }
}

MbTilesSource::~MbTilesSource()
{
    m_worker.clear();
    m_worker.waitForDone();
}

void MbTilesSource::SetWanted(const std::vector<TileKey>& keys)
{
    for (const TileKey& key : keys) {
        const TileCoord tile = CoordOf(key);
        if (m_memory.Find(tile) == nullptr && !m_loading.contains(tile) &&
            !m_missing.contains(tile) && !m_failed.contains(tile)) {
            Load(tile);
        }
    }
}

TileImage MbTilesSource::Tile(const TileKey& key)
{
    const TileCoord tile = CoordOf(key);
    if (!IsValidTile(tile) || tile.Z < m_minZoom || tile.Z > m_maxZoom ||
        m_missing.contains(tile)) {
        return TileImage{TileImage::State::Missing, {}, false};
    }
    if (const QImage* image = m_memory.Find(tile)) {
        return TileImage{TileImage::State::Ready, *image, false};
    }
    if (m_failed.contains(tile)) {
        return TileImage{TileImage::State::Failed, {}, false};
    }
    if (!m_loading.contains(tile)) {
        Load(tile);
    }
    return TileImage{TileImage::State::Pending, {}, false};
}

void MbTilesSource::Load(const TileCoord& tile)
{
    m_loading.insert(tile);
    m_worker.start([this, tile] {
        std::string bytes;
        const MbTilesFile::Read read = m_file->Tile(tile, bytes);
        QImage image;
        Found found = read == MbTilesFile::Read::Missing ? Found::Missing : Found::Failed;
        if (read == MbTilesFile::Read::Found) {
            image = DecodeTile(bytes);
            found = image.isNull() ? Found::Failed : Found::Image;
        }
        QMetaObject::invokeMethod(
            this, [this, tile, found, image] { Loaded(tile, found, image); }, Qt::QueuedConnection);
    });
}

void MbTilesSource::Loaded(const TileCoord& tile, Found found, const QImage& image)
{
    m_loading.erase(tile);
    switch (found) {
    case Found::Image:
        m_memory.Insert(tile, image, ImageBytes(image));
        break;
    case Found::Missing:
        m_missing.insert(tile);
        break;
    case Found::Failed:
        m_failed.insert(tile);
        break;
    }
    emit TileArrived(KeyOf(tile));
}
