#pragma once

#include <QImage>
#include <QObject>
#include <QString>
#include <compare>
#include <vector>

// One tile of a Web Mercator pyramid in the scheme of online servers: the zoom level, the column
// counted from 180° W and the row counted from the north edge (85.0511° N), each 0 … 2^Z − 1.
struct TileKey {
    int Z = 0;
    int X = 0;
    int Y = 0;
    // NOLINTNEXTLINE(modernize-use-nullptr): clang-tidy 14 flags the 0 of the defaulted order
    friend auto operator<=>(const TileKey&, const TileKey&) = default;
};

// What a source holds for one tile at the moment it is asked.
struct TileImage {
    enum class State {
        Ready,   // Image holds the tile (Stale: past its expiry, drawn while no fresher one came)
        Pending, // being fetched; TileArrived follows
        Missing, // the source has no such tile (outside its zooms or bounds, or a 404)
        Failed,  // it could not be had and no earlier copy is kept
    };
    State Status = State::Missing;
    QImage Image;
    bool Stale = false;
};

// A map's tiles behind the track: an online server with its disk cache, an MBTiles file, or the
// built-in outline of the world. The picture knows only this interface. A source never blocks the
// caller: Tile answers at once from what it holds and fetches what it lacks in the background,
// then emits TileArrived for the key.
class TileSource : public QObject
{
    Q_OBJECT

  public:
    using QObject::QObject;

    // The name in the source list ("OpenStreetMap", "地理院タイル 標準地図", a file's name).
    [[nodiscard]] virtual QString Name() const = 0;
    // Drawn at the picture's bottom right whenever this source's tiles show; empty for none.
    [[nodiscard]] virtual QString Attribution() const = 0;
    [[nodiscard]] virtual int MinZoom() const = 0;
    [[nodiscard]] virtual int MaxZoom() const = 0;
    // The side of the source's tile images in pixels: 256, or 512 for a server's large tiles.
    [[nodiscard]] virtual int TilePixels() const { return 256; }
    // The tiles that cover the picture now (plus at most one ring), the most wanted first: the
    // only ones a source may fetch. A tile no longer wanted is not asked for again.
    virtual void SetWanted(const std::vector<TileKey>& keys) = 0;
    [[nodiscard]] virtual TileImage Tile(const TileKey& key) = 0;

  signals:
    void TileArrived(TileKey key);
};
