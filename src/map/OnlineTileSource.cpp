#include "map/OnlineTileSource.h"

#include "map/TileDecode.h"
#include "store/Version.h"

#include <QCryptographicHash>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStandardPaths>

namespace {

TileResponseHeaders HeadersOf(const QNetworkReply& reply)
{
    const auto header = [&](const char* name) { return reply.rawHeader(name).toStdString(); };
    return TileResponseHeaders{header("Cache-Control"), header("Expires"), header("Date"),
                               header("Age"),           header("ETag"),    header("Last-Modified")};
}

// The cache's folder for one template: the same template finds its tiles again, another
// template never sees them.
QString CacheFolderOf(const OnlineServer& online, const TileCacheOptions& cache)
{
    const QString root =
        cache.Folder.isEmpty()
            ? QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + "/tiles"
            : cache.Folder;
    const QByteArray hash =
        QCryptographicHash::hash(online.UrlTemplate.toUtf8(), QCryptographicHash::Sha256);
    return root + "/" + QString::fromLatin1(hash.toHex().left(16));
}

} // namespace

OnlineTileSource::OnlineTileSource(const OnlineServer& online, const TileCacheOptions& cache,
                                   QObject* parent)
    : TileSource(parent), m_online(online), m_cacheFolder(CacheFolderOf(online, cache)),
      m_now(cache.Now), m_userAgent(QByteArray("Tallo2NMEA/") + kVersion + " (+" + kHomepage + ")"),
      m_memory(cache.MemoryBytes), m_disk(m_cacheFolder.toStdString(), cache.DiskBytes)
{
    m_worker.setMaxThreadCount(1);
    connect(&m_network, &QNetworkAccessManager::finished, this, &OnlineTileSource::Finished);
}

OnlineTileSource::~OnlineTileSource()
{
    // Aborting a reply reports it finished at once: nothing of this object may answer that.
    disconnect(&m_network, nullptr, this, nullptr);
    for (const auto& [tile, reply] : m_inFlight) {
        reply->abort();
    }
    m_worker.clear();
    m_worker.waitForDone();
}

qint64 OnlineTileSource::NowSec() const
{
    return m_now ? m_now().toSecsSinceEpoch() : QDateTime::currentSecsSinceEpoch();
}

bool OnlineTileSource::Covers(const TileCoord& tile) const
{
    return IsValidTile(tile) && tile.Z >= m_online.MinZoom && tile.Z <= m_online.MaxZoom;
}

bool OnlineTileSource::FailedLately(const TileCoord& tile) const
{
    const auto failed = m_failedAtSec.find(tile);
    return failed != m_failedAtSec.end() && NowSec() - failed->second < kRetryAfterSec;
}

QUrl OnlineTileSource::UrlOf(const TileCoord& tile) const
{
    QString url = m_online.UrlTemplate;
    url.replace("{z}", QString::number(tile.Z));
    url.replace("{x}", QString::number(tile.X));
    url.replace("{y}", QString::number(tile.Y));
    return QUrl(url);
}

void OnlineTileSource::SetWanted(const std::vector<TileKey>& keys)
{
    m_wanted.clear();
    m_wantedSet.clear();
    for (const TileKey& key : keys) {
        const TileCoord tile = CoordOf(key);
        if (Covers(tile) && m_wantedSet.insert(tile).second) {
            m_wanted.push_back(tile);
        }
    }
    std::erase_if(m_needServer, [&](const TileCoord& tile) { return !m_wantedSet.contains(tile); });
    const qint64 now = NowSec();
    for (const TileCoord& tile : m_wanted) {
        if (m_missing.contains(tile) || m_onDiskLookup.contains(tile) ||
            m_inFlight.contains(tile) || m_storing.contains(tile) || FailedLately(tile)) {
            continue;
        }
        if (const Held* held = m_memory.Find(tile)) {
            if (IsStale(held->Freshness, now)) {
                m_needServer.insert(tile);
            }
        } else if (m_notOnDisk.contains(tile)) {
            m_needServer.insert(tile);
        } else {
            LookOnDisk(tile);
        }
    }
    Pump();
}

TileImage OnlineTileSource::Tile(const TileKey& key)
{
    const TileCoord tile = CoordOf(key);
    if (!Covers(tile)) {
        return TileImage{TileImage::State::Missing, {}, false};
    }
    const bool wanted = m_wantedSet.contains(tile);
    if (const Held* held = m_memory.Find(tile)) {
        const bool stale = IsStale(held->Freshness, NowSec());
        if (stale && wanted && !m_inFlight.contains(tile) && !m_storing.contains(tile) &&
            !FailedLately(tile)) {
            NeedFromServer(tile);
        }
        return TileImage{TileImage::State::Ready, held->Image, stale};
    }
    if (m_missing.contains(tile)) {
        return TileImage{TileImage::State::Missing, {}, false};
    }
    if (m_onDiskLookup.contains(tile) || m_inFlight.contains(tile) || m_storing.contains(tile)) {
        return TileImage{TileImage::State::Pending, {}, false};
    }
    if (!m_notOnDisk.contains(tile)) {
        LookOnDisk(tile);
        return TileImage{TileImage::State::Pending, {}, false};
    }
    if (wanted && !FailedLately(tile)) {
        NeedFromServer(tile);
        return TileImage{TileImage::State::Pending, {}, false};
    }
    return TileImage{TileImage::State::Failed, {}, false};
}

void OnlineTileSource::NeedFromServer(const TileCoord& tile)
{
    m_needServer.insert(tile);
    Pump();
}

void OnlineTileSource::LookOnDisk(const TileCoord& tile)
{
    m_onDiskLookup.insert(tile);
    Post([this, tile] {
        Outcome outcome{tile, {}, {}, true};
        if (const auto cached = m_disk.Read(tile)) {
            outcome.Image = DecodeTile(cached->Bytes);
            outcome.Freshness = cached->Freshness;
        }
        return outcome;
    });
}

// The wanted tiles the server is to be asked for, the most wanted first, as far as each
// server's requests in flight allow.
void OnlineTileSource::Pump()
{
    for (const TileCoord& tile : m_wanted) {
        if (!m_needServer.contains(tile) || m_inFlight.contains(tile) || m_storing.contains(tile)) {
            continue;
        }
        if (m_perServer.value(UrlOf(tile).host()) < kMaxRequestsPerServer) {
            Request(tile);
        }
    }
}

void OnlineTileSource::Request(const TileCoord& tile)
{
    m_needServer.erase(tile);
    QNetworkRequest request(UrlOf(tile));
    request.setHeader(QNetworkRequest::UserAgentHeader, m_userAgent);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(kTimeoutMs);
    if (const Held* held = m_memory.Find(tile)) {
        const ConditionalHeaders conditional = ConditionalHeadersFor(held->Freshness);
        if (!conditional.IfNoneMatch.empty()) {
            request.setRawHeader("If-None-Match",
                                 QByteArray::fromStdString(conditional.IfNoneMatch));
        }
        if (!conditional.IfModifiedSince.empty()) {
            request.setRawHeader("If-Modified-Since",
                                 QByteArray::fromStdString(conditional.IfModifiedSince));
        }
    }
    ++m_perServer[request.url().host()];
    m_inFlight[tile] = m_network.get(request);
}

void OnlineTileSource::Finished(QNetworkReply* reply)
{
    reply->deleteLater();
    const auto found = std::find_if(m_inFlight.begin(), m_inFlight.end(),
                                    [&](const auto& entry) { return entry.second == reply; });
    if (found == m_inFlight.end()) {
        return;
    }
    const TileCoord tile = found->first;
    m_inFlight.erase(found);
    --m_perServer[reply->request().url().host()];
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->error() == QNetworkReply::NoError && status == 200) {
        Received(tile, reply->readAll(), HeadersOf(*reply));
    } else if (status == 304) {
        Confirmed(tile, HeadersOf(*reply));
    } else {
        Refused(tile, status);
    }
    Pump();
}

// A new image: kept on disk and drawn only when it decodes whole.
void OnlineTileSource::Received(const TileCoord& tile, const QByteArray& body,
                                const TileResponseHeaders& headers)
{
    const TileFreshness freshness = FreshnessOf(headers, NowSec());
    m_storing.insert(tile);
    Post([this, tile, bytes = body.toStdString(), freshness] {
        Outcome outcome{tile, DecodeTile(bytes), freshness, false};
        int error = 0;
        if (!outcome.Image.isNull()) {
            (void)m_disk.Write(tile, CachedTile{freshness, bytes}, error);
        }
        return outcome;
    });
}

// The server confirmed the kept tile: it is fresh again, with the new lifetime on disk too.
void OnlineTileSource::Confirmed(const TileCoord& tile, const TileResponseHeaders& headers)
{
    const qint64 now = NowSec();
    m_storing.insert(tile);
    Post([this, tile, headers, now] {
        Outcome outcome{tile, {}, {}, false};
        if (auto cached = m_disk.Read(tile)) {
            cached->Freshness = Revalidated(cached->Freshness, headers, now);
            int error = 0;
            (void)m_disk.Write(tile, *cached, error);
            outcome.Image = DecodeTile(cached->Bytes);
            outcome.Freshness = cached->Freshness;
        }
        return outcome;
    });
}

// No image came: a kept tile stays drawn, stale; the tile is not asked for again for a while.
void OnlineTileSource::Refused(const TileCoord& tile, int httpStatus)
{
    m_failedAtSec[tile] = NowSec();
    if ((httpStatus == 404 || httpStatus == 410) && m_memory.Find(tile) == nullptr) {
        m_missing.insert(tile);
    }
    emit TileArrived(KeyOf(tile));
}

void OnlineTileSource::Arrived(const Outcome& outcome)
{
    const TileCoord tile = outcome.Tile;
    if (outcome.FromDisk) {
        m_onDiskLookup.erase(tile);
    } else {
        m_storing.erase(tile);
    }
    if (outcome.Image.isNull()) {
        if (outcome.FromDisk) {
            m_notOnDisk.insert(tile);
            if (m_wantedSet.contains(tile) && !FailedLately(tile)) {
                NeedFromServer(tile);
            }
            return;
        }
        m_failedAtSec[tile] = NowSec(); // garbage from the server: neither kept nor drawn
        emit TileArrived(KeyOf(tile));
        return;
    }
    m_memory.Insert(tile, Held{outcome.Image, outcome.Freshness}, ImageBytes(outcome.Image));
    m_notOnDisk.erase(tile);
    if (!outcome.FromDisk) {
        m_failedAtSec.erase(tile);
    }
    emit TileArrived(KeyOf(tile));
    if (outcome.FromDisk && IsStale(outcome.Freshness, NowSec()) && m_wantedSet.contains(tile) &&
        !FailedLately(tile)) {
        NeedFromServer(tile);
    }
}

void OnlineTileSource::Post(std::function<Outcome()> job)
{
    m_worker.start([this, job = std::move(job)] {
        Outcome outcome = job();
        QMetaObject::invokeMethod(
            this, [this, outcome = std::move(outcome)] { Arrived(outcome); }, Qt::QueuedConnection);
    });
}
