#pragma once

#include "map/TileSource.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

// The map sources the window offers, and the two kinds of source made from them: a tile server
// behind a disk cache, and a map file.

// A tile server: its tiles' address with {z}, {x} and {y} in it, and the text it asks to be
// credited with.
struct OnlineServer {
    QString Name;
    QString UrlTemplate;
    QString Attribution;
    int MinZoom = 0;
    int MaxZoom = 19;
    int TilePixels = 256;
};

// The servers the window lists from the start: OpenStreetMap's standard tiles and the three
// general maps of Japan's national survey.
std::vector<OnlineServer> BuiltInSources();

// Where and how much an online source keeps.
struct TileCacheOptions {
    QString Folder; // empty: QStandardPaths::CacheLocation + "/tiles"
    qint64 DiskBytes = 500'000'000;
    qint64 MemoryBytes = 64'000'000;
    std::function<QDateTime()> Now; // empty: the system clock
};

// A source fetching from a tile server through a disk cache of its own (a folder for each
// template under the cache folder). It never blocks its caller: disk and network work happen in
// the background and TileArrived follows.
std::unique_ptr<TileSource> MakeOnlineSource(const OnlineServer& online,
                                             const TileCacheOptions& cache,
                                             QObject* parent = nullptr);

// A map file opened read-only; Error holds the Japanese message when Source is null.
struct MbTilesOpened {
    std::unique_ptr<TileSource> Source;
    QString Error;
};
MbTilesOpened OpenMbTiles(const QString& path, QObject* parent = nullptr);
