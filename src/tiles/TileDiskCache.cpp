#include "tiles/TileDiskCache.h"

#include "system/AtomicFile.h"
#include "system/Files.h"
#include "system/Paths.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kMagic = "T2NTILE 1\n";
constexpr std::string_view kExtension = ".tile";
// The longest header a tile file may have; a longer one is damage.
constexpr std::size_t kMaxHeaderBytes = 4096;

// A header value on one line: a server's text never breaks a line of the file.
std::string OneLine(std::string_view text)
{
    std::string line(text.substr(0, 1024));
    std::replace_if(
        line.begin(), line.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    return line;
}

std::optional<std::int64_t> Number(std::string_view text)
{
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<int> NumberOfName(const fs::path& name)
{
    const auto value = Number(Utf8Path(name));
    if (!value || *value < 0 || *value >= (std::int64_t{1} << kMaxTileZoom)) {
        return std::nullopt;
    }
    return static_cast<int>(*value);
}

std::int64_t WrittenNs(const fs::directory_entry& entry)
{
    std::error_code error;
    const auto time = entry.last_write_time(error);
    return error ? 0
                 : std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch())
                       .count();
}

bool ReadWhole(const std::string& path, std::string& bytes)
{
    std::FILE* file = OpenForReading(path);
    if (file == nullptr) {
        return false;
    }
    char buffer[65536];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.append(buffer, got);
    }
    const bool ok = std::ferror(file) == 0;
    std::fclose(file);
    return ok;
}

} // namespace

std::string EncodeCachedTile(const CachedTile& cached)
{
    const TileFreshness& f = cached.Freshness;
    std::string file(kMagic);
    file += "fetched " + std::to_string(f.FetchedSec) + "\n";
    file += "fresh-until " + std::to_string(f.FreshUntilSec) + "\n";
    file += "etag " + OneLine(f.ETag) + "\n";
    file += "last-modified " + OneLine(f.LastModified) + "\n\n";
    file += cached.Bytes;
    return file;
}

std::optional<CachedTile> DecodeCachedTile(std::string_view file)
{
    const std::size_t end = file.substr(0, kMaxHeaderBytes).find("\n\n");
    if (!file.starts_with(kMagic) || end == std::string_view::npos) {
        return std::nullopt;
    }
    CachedTile cached;
    std::string_view header = file.substr(kMagic.size(), end + 1 - kMagic.size());
    int fields = 0;
    while (!header.empty()) {
        const std::size_t newline = header.find('\n');
        const std::string_view line = header.substr(0, newline);
        header.remove_prefix(newline + 1);
        const std::size_t space = line.find(' ');
        const std::string_view name = line.substr(0, space);
        const std::string_view value =
            space == std::string_view::npos ? std::string_view{} : line.substr(space + 1);
        if (name == "fetched" || name == "fresh-until") {
            const auto number = Number(value);
            if (!number) {
                return std::nullopt;
            }
            (name == "fetched" ? cached.Freshness.FetchedSec : cached.Freshness.FreshUntilSec) =
                *number;
            ++fields;
        } else if (name == "etag") {
            cached.Freshness.ETag = value;
        } else if (name == "last-modified") {
            cached.Freshness.LastModified = value;
        }
    }
    if (fields != 2) {
        return std::nullopt;
    }
    cached.Bytes = file.substr(end + 2);
    return cached;
}

TileDiskCache::TileDiskCache(std::string folder, std::int64_t limitBytes)
    : m_folder(std::move(folder)), m_limitBytes(limitBytes)
{
}

std::string TileDiskCache::PathOf(const TileCoord& tile) const
{
    return m_folder + "/" + std::to_string(tile.Z) + "/" + std::to_string(tile.X) + "/" +
           std::to_string(tile.Y) + std::string(kExtension);
}

// The files already there, counted once, when the cache is first used.
void TileDiskCache::ScanOnce()
{
    if (m_scanned) {
        return;
    }
    m_scanned = true;
    std::error_code error;
    fs::recursive_directory_iterator it(NativePath(m_folder), error);
    for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        const fs::path& path = it->path();
        if (it.depth() != 2 || path.extension() != kExtension || !it->is_regular_file(error)) {
            continue;
        }
        const auto z = NumberOfName(path.parent_path().parent_path().filename());
        const auto x = NumberOfName(path.parent_path().filename());
        const auto y = NumberOfName(path.stem());
        const TileCoord tile{z.value_or(-1), x.value_or(-1), y.value_or(-1)};
        if (!IsValidTile(tile)) {
            continue;
        }
        const auto bytes = static_cast<std::int64_t>(it->file_size(error));
        m_entries[tile] = Entry{error ? 0 : bytes, WrittenNs(*it)};
        m_totalBytes += m_entries[tile].Bytes;
    }
}

std::int64_t TileDiskCache::Bytes()
{
    ScanOnce();
    return m_totalBytes;
}

std::optional<CachedTile> TileDiskCache::Read(const TileCoord& tile)
{
    ScanOnce();
    if (!IsValidTile(tile)) {
        return std::nullopt;
    }
    // Read even when the scan did not list it: another window may have written it since.
    std::string file;
    if (!ReadWhole(PathOf(tile), file)) {
        if (m_entries.contains(tile)) {
            Remove(tile);
        }
        return std::nullopt;
    }
    std::optional<CachedTile> cached = DecodeCachedTile(file);
    if (!cached) {
        Remove(tile);
    } else if (!m_entries.contains(tile)) {
        m_entries[tile] = Entry{static_cast<std::int64_t>(file.size()), 0};
        m_totalBytes += static_cast<std::int64_t>(file.size());
    }
    return cached;
}

bool TileDiskCache::Write(const TileCoord& tile, const CachedTile& cached, int& error)
{
    ScanOnce();
    error = 0;
    if (!IsValidTile(tile)) {
        error = EINVAL;
        return false;
    }
    const std::string path = PathOf(tile);
    std::error_code made;
    fs::create_directories(NativePath(path).parent_path(), made);
    const std::string file = EncodeCachedTile(cached);
    AtomicFile out(path);
    if (!out.Open() || !out.Write(file.data(), file.size()) || !out.Commit()) {
        error = out.Errno();
        return false;
    }
    Entry& entry = m_entries[tile];
    m_totalBytes += static_cast<std::int64_t>(file.size()) - entry.Bytes;
    entry.Bytes = static_cast<std::int64_t>(file.size());
    std::error_code timeError;
    entry.WrittenNs = WrittenNs(fs::directory_entry(NativePath(path), timeError));
    Trim();
    return true;
}

void TileDiskCache::Remove(const TileCoord& tile)
{
    std::error_code error;
    fs::remove(NativePath(PathOf(tile)), error);
    const auto found = m_entries.find(tile);
    if (found != m_entries.end()) {
        m_totalBytes -= found->second.Bytes;
        m_entries.erase(found);
    }
}

// The least recently written tiles go first, until a tenth of the limit is free.
void TileDiskCache::Trim()
{
    if (m_totalBytes <= m_limitBytes) {
        return;
    }
    std::vector<std::pair<std::int64_t, TileCoord>> byAge;
    byAge.reserve(m_entries.size());
    for (const auto& [tile, entry] : m_entries) {
        byAge.emplace_back(entry.WrittenNs, tile);
    }
    std::sort(byAge.begin(), byAge.end());
    const std::int64_t target = m_limitBytes - m_limitBytes / 10;
    for (const auto& [written, tile] : byAge) {
        if (m_totalBytes <= target) {
            break;
        }
        Remove(tile);
    }
}
