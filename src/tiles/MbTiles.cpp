#include "tiles/MbTiles.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <numbers>
#include <optional>
#include <sqlite3.h>
#include <string_view>
#include <vector>

namespace {

constexpr double kMaxLatDeg = 85.0511287798;

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())) != 0) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())) != 0) {
        text.remove_suffix(1);
    }
    return text;
}

std::optional<int> ParseZoom(std::string_view text)
{
    text = Trimmed(text);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || value < 0 ||
        value > kMaxTileZoom) {
        return std::nullopt;
    }
    return value;
}

// "west,south,east,north" in degrees; nothing when any part is missing or out of range.
std::optional<GeoBounds> ParseBounds(std::string_view text)
{
    double parts[4] = {};
    for (int i = 0; i < 4; ++i) {
        const std::size_t comma = i < 3 ? text.find(',') : text.size();
        if (comma == std::string_view::npos) {
            return std::nullopt;
        }
        const std::string_view part = Trimmed(text.substr(0, comma));
        const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), parts[i]);
        if (error != std::errc{} || end != part.data() + part.size() || !std::isfinite(parts[i])) {
            return std::nullopt;
        }
        text.remove_prefix(std::min(text.size(), comma + 1));
    }
    GeoBounds bounds{parts[0], std::max(parts[1], -kMaxLatDeg), parts[2],
                     std::min(parts[3], kMaxLatDeg)};
    if (bounds.WestDeg < -180.0 || bounds.EastDeg > 180.0 || bounds.WestDeg >= bounds.EastDeg ||
        bounds.SouthDeg >= bounds.NorthDeg) {
        return std::nullopt;
    }
    return bounds;
}

int TileColumn(double lonDeg, int zoom)
{
    const double side = std::ldexp(1.0, zoom);
    const double column = std::floor((lonDeg + 180.0) / 360.0 * side);
    return static_cast<int>(std::clamp(column, 0.0, side - 1.0));
}

int TileRow(double latDeg, int zoom)
{
    const double side = std::ldexp(1.0, zoom);
    const double lat = latDeg * std::numbers::pi / 180.0;
    const double y = (1.0 - std::log(std::tan(lat) + 1.0 / std::cos(lat)) / std::numbers::pi) / 2.0;
    return static_cast<int>(std::clamp(std::floor(y * side), 0.0, side - 1.0));
}

MbTilesError ErrorOf(const SqliteStatus& status)
{
    return status.Code == SQLITE_NOTADB || status.Code == SQLITE_CORRUPT
               ? MbTilesError::NotADatabase
               : MbTilesError::CannotOpen;
}

} // namespace

std::unique_ptr<MbTilesFile> MbTilesFile::Open(const std::string& path, MbTilesError& error,
                                               std::string& detail)
{
    std::unique_ptr<MbTilesFile> file(new MbTilesFile);
    const SqliteStatus opened = file->m_db.Open(path, SqliteConnection::Mode::ReadOnly);
    if (!opened.Ok()) {
        error = ErrorOf(opened);
        detail = opened.Message;
        return nullptr;
    }
    error = file->Load(detail);
    return error == MbTilesError::None ? std::move(file) : nullptr;
}

std::unique_ptr<MbTilesFile> MbTilesFile::OpenCopyOf(std::string_view bytes, MbTilesError& error,
                                                     std::string& detail)
{
    std::unique_ptr<MbTilesFile> file(new MbTilesFile);
    const SqliteStatus opened = file->m_db.OpenCopyOf(bytes);
    if (!opened.Ok()) {
        error = ErrorOf(opened);
        detail = opened.Message;
        return nullptr;
    }
    error = file->Load(detail);
    return error == MbTilesError::None ? std::move(file) : nullptr;
}

MbTilesError MbTilesFile::Load(std::string& detail)
{
    // The schema is read first: a file that is no database fails here with SQLITE_NOTADB.
    SqliteStatement schema;
    SqliteStatus status = m_db.Prepare(
        "SELECT count(*) FROM sqlite_schema WHERE name = 'tiles' AND type IN ('table', 'view')",
        schema);
    if (!status.Ok() || schema.Next() != SqliteStatement::Step::Row) {
        detail = status.Ok() ? schema.LastStatus().Message : status.Message;
        return ErrorOf(status.Ok() ? schema.LastStatus() : status);
    }
    if (schema.Int64(0) == 0) {
        return MbTilesError::NoTiles;
    }
    status = m_db.Prepare("SELECT tile_data FROM tiles WHERE zoom_level = ?1 AND tile_column = ?2 "
                          "AND tile_row = ?3",
                          m_tileQuery);
    if (!status.Ok()) {
        detail = status.Message;
        return status.Code == SQLITE_ERROR ? MbTilesError::NoTiles : ErrorOf(status);
    }
    if (!ReadMetadata(detail)) {
        return MbTilesError::NotADatabase;
    }
    if (m_info.Format == "pbf") {
        return MbTilesError::VectorTiles;
    }
    if (!m_info.Format.empty() && m_info.Format != "png" && m_info.Format != "jpg" &&
        m_info.Format != "jpeg" && m_info.Format != "webp") {
        return MbTilesError::UnknownFormat;
    }
    return MbTilesError::None;
}

// The metadata table is optional; a file without it covers the world at the zooms its tiles hold.
bool MbTilesFile::ReadMetadata(std::string& detail)
{
    SqliteStatement query;
    std::optional<int> minZoom;
    std::optional<int> maxZoom;
    if (m_db.Prepare("SELECT name, value FROM metadata", query).Ok()) {
        SqliteStatement::Step step = SqliteStatement::Step::Done;
        while ((step = query.Next()) == SqliteStatement::Step::Row) {
            const std::string name = Lower(query.Text(0));
            const std::string value = query.Text(1);
            if (name == "name") {
                m_info.Name = value;
            } else if (name == "format") {
                m_info.Format = Lower(std::string(Trimmed(value)));
            } else if (name == "attribution") {
                m_info.Attribution = value;
            } else if (name == "minzoom") {
                minZoom = ParseZoom(value);
            } else if (name == "maxzoom") {
                maxZoom = ParseZoom(value);
            } else if (name == "bounds") {
                m_info.Bounds = ParseBounds(value).value_or(GeoBounds{});
            }
        }
        if (step == SqliteStatement::Step::Error) {
            detail = query.LastStatus().Message;
            return false;
        }
    }
    m_info.MinZoom = minZoom.value_or(0);
    m_info.MaxZoom = maxZoom.value_or(0);
    if ((!minZoom || !maxZoom) && !ReadZoomsFromTiles(!minZoom, !maxZoom, detail)) {
        return false;
    }
    if (m_info.MinZoom > m_info.MaxZoom) {
        std::swap(m_info.MinZoom, m_info.MaxZoom);
    }
    return true;
}

bool MbTilesFile::ReadZoomsFromTiles(bool needMin, bool needMax, std::string& detail)
{
    SqliteStatement query;
    const SqliteStatus status =
        m_db.Prepare("SELECT min(zoom_level), max(zoom_level) FROM tiles", query);
    if (!status.Ok() || query.Next() != SqliteStatement::Step::Row) {
        detail = status.Ok() ? query.LastStatus().Message : status.Message;
        return false;
    }
    const auto clamp = [](std::int64_t zoom) {
        return static_cast<int>(std::clamp<std::int64_t>(zoom, 0, kMaxTileZoom));
    };
    if (needMin) {
        m_info.MinZoom = clamp(query.Int64(0));
    }
    if (needMax) {
        m_info.MaxZoom = clamp(query.Int64(1));
    }
    return true;
}

bool MbTilesFile::Covers(const TileCoord& tile) const
{
    if (!IsValidTile(tile) || tile.Z < m_info.MinZoom || tile.Z > m_info.MaxZoom) {
        return false;
    }
    const GeoBounds& b = m_info.Bounds;
    return tile.X >= TileColumn(b.WestDeg, tile.Z) && tile.X <= TileColumn(b.EastDeg, tile.Z) &&
           tile.Y >= TileRow(b.NorthDeg, tile.Z) && tile.Y <= TileRow(b.SouthDeg, tile.Z);
}

MbTilesFile::Read MbTilesFile::Tile(const TileCoord& tile, std::string& bytes)
{
    bytes.clear();
    if (!Covers(tile)) {
        return Read::Missing;
    }
    // The file counts rows from the south edge.
    const std::int64_t row = (std::int64_t{1} << tile.Z) - 1 - tile.Y;
    m_tileQuery.Reset();
    if (!m_tileQuery.Bind(1, std::int64_t{tile.Z}).Ok() ||
        !m_tileQuery.Bind(2, std::int64_t{tile.X}).Ok() || !m_tileQuery.Bind(3, row).Ok()) {
        m_lastError = m_tileQuery.LastStatus().Message;
        return Read::Failed;
    }
    switch (m_tileQuery.Next()) {
    case SqliteStatement::Step::Row:
        bytes = m_tileQuery.Blob(0);
        m_tileQuery.Reset();
        return bytes.empty() ? Read::Missing : Read::Found;
    case SqliteStatement::Step::Done:
        return Read::Missing;
    case SqliteStatement::Step::Error:
        break;
    }
    m_lastError = m_tileQuery.LastStatus().Message;
    m_tileQuery.Reset();
    return Read::Failed;
}

bool MbTilesFile::AnyTile(std::string& bytes)
{
    SqliteStatement query;
    bytes.clear();
    if (!m_db.Prepare("SELECT tile_data FROM tiles LIMIT 1", query).Ok() ||
        query.Next() != SqliteStatement::Step::Row) {
        return false;
    }
    bytes = query.Blob(0);
    return !bytes.empty();
}
