#pragma once

#include "sqlite/Sqlite.h"

#include <map>
#include <string>
#include <vector>

// Writes map files in the MBTiles layout for the tests, through the project's own SQLite
// owners: the metadata as given and the tiles in their file numbering (rows from the south).
struct MbTilesFixture {
    std::map<std::string, std::string> Metadata;
    struct Tile {
        int Z = 0;
        int X = 0;
        int Y = 0; // in the online servers' numbering, from the north; flipped when written
        std::string Bytes;
    };
    std::vector<Tile> Tiles;
};

// Writes `fixture` as a new file at `path` (UTF-8), in one transaction.
[[nodiscard]] SqliteStatus WriteMbTiles(const std::string& path, const MbTilesFixture& fixture);

// The tests' usual map: zooms 1 and 2 of PNG tiles of `pixels` a side, coloured by TileColour,
// all four tiles of zoom 1 and the zoom-2 tiles of the north-western quarter but 2/1/1, with
// bounds of that quarter at zoom 2 (west, south, east, north) as given.
[[nodiscard]] MbTilesFixture TwoZoomFixture(int pixels, const std::string& bounds);
