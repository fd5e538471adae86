#include "map/TileSources.h"

#include "map/MbTilesSource.h"
#include "map/OnlineTileSource.h"
#include "messages/MapText.h"

#include <QFileInfo>

std::vector<OnlineServer> BuiltInSources()
{
    const QString survey = QStringLiteral("出典：国土地理院");
    return {
        {QStringLiteral("OpenStreetMap"),
         QStringLiteral("https://tile.openstreetmap.org/{z}/{x}/{y}.png"),
         QStringLiteral("© OpenStreetMap contributors"), 0, 19, 256},
        {QStringLiteral("地理院タイル 標準地図"),
         QStringLiteral("https://cyberjapandata.gsi.go.jp/xyz/std/{z}/{x}/{y}.png"), survey, 2, 18,
         256},
        {QStringLiteral("地理院タイル 淡色地図"),
         QStringLiteral("https://cyberjapandata.gsi.go.jp/xyz/pale/{z}/{x}/{y}.png"), survey, 2, 18,
         256},
        {QStringLiteral("地理院タイル 写真"),
         QStringLiteral("https://cyberjapandata.gsi.go.jp/xyz/seamlessphoto/{z}/{x}/{y}.jpg"),
         survey, 2, 18, 256},
    };
}

std::unique_ptr<TileSource> MakeOnlineSource(const OnlineServer& online,
                                             const TileCacheOptions& cache, QObject* parent)
{
    return std::make_unique<OnlineTileSource>(online, cache, parent);
}

MbTilesOpened OpenMbTiles(const QString& path, QObject* parent)
{
    MbTilesError error = MbTilesError::None;
    std::string detail;
    auto file = MbTilesFile::Open(path.toStdString(), error, detail);
    if (!file) {
        return {nullptr,
                QString::fromStdString(MbTilesErrorText(path.toStdString(), error, detail))};
    }
    const QString name = file->Info().Name.empty() ? QFileInfo(path).fileName()
                                                   : QString::fromStdString(file->Info().Name);
    return {std::make_unique<MbTilesSource>(std::move(file), name, parent), {}};
}
