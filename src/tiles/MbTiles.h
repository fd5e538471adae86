#pragma once

#include "sqlite/Sqlite.h"
#include "tiles/TileCoord.h"

#include <memory>
#include <string>

// The area a map file covers, in degrees (its `bounds` metadata: west, south, east, north).
struct GeoBounds {
    double WestDeg = -180.0;
    double SouthDeg = -85.0511287798;
    double EastDeg = 180.0;
    double NorthDeg = 85.0511287798;
};

// Why a map file cannot be used.
enum class MbTilesError {
    None,
    CannotOpen,    // missing, unreadable, or locked (see the SQLite message)
    NotADatabase,  // not an SQLite database, or one damaged beyond reading
    NoTiles,       // a database without the `tiles` table or view of a map file
    VectorTiles,   // a map of vector tiles (`format` pbf), which are not drawn
    UnknownFormat, // a `format` other than png, jpg or webp
};

struct MbTilesInfo {
    std::string Name;   // `name`, or empty
    std::string Format; // `format` in lower case ("png", "jpg"), empty when unnamed
    std::string Attribution;
    int MinZoom = 0;
    int MaxZoom = 0;
    GeoBounds Bounds;
};

// A map file in the MBTiles layout, read-only: a `metadata` table of names and values and a
// `tiles` table (or view) of zoom_level, tile_column, tile_row and tile_data, the rows counted
// from the south edge (TMS). Tiles come back as their encoded bytes.
class MbTilesFile
{
  public:
    enum class Read {
        Found,
        Missing, // no such tile: outside the zooms or bounds, or not in the file
        Failed,  // the file could not be read there (damaged): see LastError()
    };

    // Opens `path` (UTF-8) read-only and reads its metadata; on failure `error` says why and
    // `detail` holds SQLite's message.
    [[nodiscard]] static std::unique_ptr<MbTilesFile>
    Open(const std::string& path, MbTilesError& error, std::string& detail);
    // The same over a copy of a whole file's bytes held in memory.
    [[nodiscard]] static std::unique_ptr<MbTilesFile>
    OpenCopyOf(std::string_view bytes, MbTilesError& error, std::string& detail);

    [[nodiscard]] const MbTilesInfo& Info() const { return m_info; }
    // The tile in the online servers' numbering; `bytes` holds its encoded image when Found.
    [[nodiscard]] Read Tile(const TileCoord& tile, std::string& bytes);
    // The bytes of some tile of the file, to learn the size of its images; false for none.
    [[nodiscard]] bool AnyTile(std::string& bytes);
    [[nodiscard]] const std::string& LastError() const { return m_lastError; }

  private:
    MbTilesFile() = default;
    [[nodiscard]] MbTilesError Load(std::string& detail);
    [[nodiscard]] bool ReadMetadata(std::string& detail);
    [[nodiscard]] bool ReadZoomsFromTiles(bool needMin, bool needMax, std::string& detail);
    [[nodiscard]] bool Covers(const TileCoord& tile) const;

    SqliteConnection m_db;
    SqliteStatement m_tileQuery;
    MbTilesInfo m_info;
    std::string m_lastError;
};
