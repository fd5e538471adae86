#include "support/MbTilesWriter.h"

#include "support/TilePictures.h"

SqliteStatus WriteMbTiles(const std::string& path, const MbTilesFixture& fixture)
{
    SqliteConnection db;
    SqliteStatus status = db.Open(path, SqliteConnection::Mode::ReadWrite);
    if (!status.Ok()) {
        return status;
    }
    status = db.Execute("CREATE TABLE metadata (name TEXT, value TEXT);"
                        "CREATE TABLE tiles (zoom_level INTEGER, tile_column INTEGER, "
                        "tile_row INTEGER, tile_data BLOB);"
                        "CREATE UNIQUE INDEX tile_index ON tiles (zoom_level, tile_column, "
                        "tile_row)");
    SqliteTransaction transaction(db);
    SqliteStatement metadata;
    SqliteStatement tiles;
    for (const SqliteStatus& step :
         {status, transaction.Begin(),
          db.Prepare("INSERT INTO metadata (name, value) VALUES (?1, ?2)", metadata),
          db.Prepare("INSERT INTO tiles VALUES (?1, ?2, ?3, ?4)", tiles)}) {
        if (!step.Ok()) {
            return step;
        }
    }
    for (const auto& [name, value] : fixture.Metadata) {
        metadata.Reset();
        if (!metadata.BindText(1, name).Ok() || !metadata.BindText(2, value).Ok() ||
            metadata.Next() != SqliteStatement::Step::Done) {
            return metadata.LastStatus();
        }
    }
    for (const MbTilesFixture::Tile& tile : fixture.Tiles) {
        const std::int64_t row = (std::int64_t{1} << tile.Z) - 1 - tile.Y;
        tiles.Reset();
        if (!tiles.Bind(1, std::int64_t{tile.Z}).Ok() ||
            !tiles.Bind(2, std::int64_t{tile.X}).Ok() || !tiles.Bind(3, row).Ok() ||
            !tiles.BindBlob(4, tile.Bytes).Ok() || tiles.Next() != SqliteStatement::Step::Done) {
            return tiles.LastStatus();
        }
    }
    return transaction.Commit();
}

MbTilesFixture TwoZoomFixture(int pixels, const std::string& bounds)
{
    MbTilesFixture fixture;
    fixture.Metadata = {{"name", "Test map"}, {"format", "png"},  {"minzoom", "1"},
                        {"maxzoom", "2"},     {"bounds", bounds}, {"attribution", "Test"}};
    for (int x = 0; x < 2; ++x) {
        for (int y = 0; y < 2; ++y) {
            fixture.Tiles.push_back({1, x, y, SolidPng(TileColour(1, x, y), pixels)});
            if (!(x == 1 && y == 1)) {
                fixture.Tiles.push_back({2, x, y, SolidPng(TileColour(2, x, y), pixels)});
            }
        }
    }
    return fixture;
}
