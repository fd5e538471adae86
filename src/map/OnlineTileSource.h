#pragma once

#include "map/TileSource.h"
#include "map/TileSources.h"
#include "tiles/HttpCache.h"
#include "tiles/LruCache.h"
#include "tiles/TileDiskCache.h"

#include <QHash>
#include <QNetworkAccessManager>
#include <QThreadPool>
#include <QUrl>
#include <map>
#include <optional>
#include <set>

class QNetworkReply;

// A tile server behind a disk cache and a memory cache, keeping the servers' rules: it names
// itself in every request, asks only for wanted tiles, at most kMaxRequestsPerServer at a time,
// keeps what it got by the server's caching headers (at least a week), revalidates a stale tile
// with a conditional request, and draws the stale tile while the server cannot be reached.
// Disk reads, decoding and disk writes run on a thread of its own; the network on the caller's
// event loop.
class OnlineTileSource : public TileSource
{
    Q_OBJECT

  public:
    static constexpr int kMaxRequestsPerServer = 2;
    static constexpr int kTimeoutMs = 20'000;
    // How long a tile that could not be had is not asked for again.
    static constexpr qint64 kRetryAfterSec = 60;

    OnlineTileSource(const OnlineServer& online, const TileCacheOptions& cache,
                     QObject* parent = nullptr);
    ~OnlineTileSource() override;

    [[nodiscard]] QString Name() const override { return m_online.Name; }
    [[nodiscard]] QString Attribution() const override { return m_online.Attribution; }
    [[nodiscard]] int MinZoom() const override { return m_online.MinZoom; }
    [[nodiscard]] int MaxZoom() const override { return m_online.MaxZoom; }
    [[nodiscard]] int TilePixels() const override { return m_online.TilePixels; }
    void SetWanted(const std::vector<TileKey>& keys) override;
    [[nodiscard]] TileImage Tile(const TileKey& key) override;

    // The folder of this source's disk cache.
    [[nodiscard]] QString CacheFolder() const { return m_cacheFolder; }
    // The address of a tile: the template with {z}, {x} and {y} filled in.
    [[nodiscard]] QUrl UrlOf(const TileCoord& tile) const;

  private:
    struct Held {
        QImage Image;
        TileFreshness Freshness;
    };
    // What a background job found or made of a tile.
    struct Outcome {
        TileCoord Tile;
        QImage Image; // null: none on disk, or the server's bytes were no image
        TileFreshness Freshness;
        bool FromDisk = false;
    };

    [[nodiscard]] qint64 NowSec() const;
    [[nodiscard]] bool Covers(const TileCoord& tile) const;
    [[nodiscard]] bool FailedLately(const TileCoord& tile) const;
    void LookOnDisk(const TileCoord& tile);
    void NeedFromServer(const TileCoord& tile);
    void Pump();
    void Request(const TileCoord& tile);
    void Finished(QNetworkReply* reply);
    void Received(const TileCoord& tile, const QByteArray& body,
                  const TileResponseHeaders& headers);
    void Confirmed(const TileCoord& tile, const TileResponseHeaders& headers);
    void Refused(const TileCoord& tile, int httpStatus);
    void Arrived(const Outcome& outcome);
    void Post(std::function<Outcome()> job);

    OnlineServer m_online;
    QString m_cacheFolder;
    std::function<QDateTime()> m_now;
    QByteArray m_userAgent;
    QNetworkAccessManager m_network;
    LruCache<TileCoord, Held> m_memory;
    TileDiskCache m_disk; // used on m_worker alone
    QThreadPool m_worker;

    std::vector<TileCoord> m_wanted; // the most wanted first
    std::set<TileCoord> m_wantedSet;
    std::set<TileCoord> m_onDiskLookup; // being read from disk
    std::set<TileCoord> m_notOnDisk;    // looked for on disk and not there
    std::set<TileCoord> m_needServer;   // to be asked for once wanted
    std::set<TileCoord> m_storing;      // answered, being decoded and written
    std::map<TileCoord, QNetworkReply*> m_inFlight;
    std::map<TileCoord, qint64> m_failedAtSec;
    std::set<TileCoord> m_missing;   // the server has none (404)
    QHash<QString, int> m_perServer; // requests in flight per host
};
