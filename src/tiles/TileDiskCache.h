#pragma once

#include "tiles/HttpCache.h"
#include "tiles/TileCoord.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>

// One tile as the disk cache keeps it: its encoded image and its freshness.
struct CachedTile {
    TileFreshness Freshness;
    std::string Bytes;
};

// The tiles of one source on disk: FOLDER/Z/X/Y.tile, each file holding a short text header
// (its freshness and validators) and the image bytes after it, written whole through AtomicFile
// so that a reader never sees half a tile. The cache is bounded: once its files pass the limit,
// the least recently written go first until a tenth of the limit is free again. A tile is never
// removed for being stale: a stale tile is what is drawn while the server cannot be reached.
// One thread uses a cache at a time.
class TileDiskCache
{
  public:
    TileDiskCache(std::string folder, std::int64_t limitBytes);

    // The tile, or nothing when the cache holds none (or a damaged file, which is removed).
    [[nodiscard]] std::optional<CachedTile> Read(const TileCoord& tile);
    // Writes the tile whole, then trims the cache to its limit; false when it could not be
    // written (the errno value in `error`).
    [[nodiscard]] bool Write(const TileCoord& tile, const CachedTile& cached, int& error);
    // The bytes the cache's files hold, as far as it knows them.
    [[nodiscard]] std::int64_t Bytes();
    [[nodiscard]] const std::string& Folder() const { return m_folder; }

  private:
    struct Entry {
        std::int64_t Bytes = 0;
        std::int64_t WrittenNs = 0; // the file's modification time
    };
    [[nodiscard]] std::string PathOf(const TileCoord& tile) const;
    void ScanOnce();
    void Remove(const TileCoord& tile);
    void Trim();

    std::string m_folder;
    std::int64_t m_limitBytes;
    std::map<TileCoord, Entry> m_entries;
    std::int64_t m_totalBytes = 0;
    bool m_scanned = false;
};

// The file's bytes for a tile and the way back; nothing for a damaged file.
[[nodiscard]] std::string EncodeCachedTile(const CachedTile& cached);
[[nodiscard]] std::optional<CachedTile> DecodeCachedTile(std::string_view file);
