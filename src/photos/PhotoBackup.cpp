#include "photos/PhotoBackup.h"

#include "system/Files.h"
#include "system/Paths.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <optional>
#include <system_error>

namespace fs = std::filesystem;

namespace {

int ErrnoOf(const std::error_code& ec)
{
    const int value = ec.default_error_condition().value();
    return value != 0 ? value : EIO;
}

// The whole file; nothing when it cannot be read (or is not there).
std::optional<std::string> ReadWhole(const fs::path& path)
{
    std::FILE* file = OpenForReading(Utf8Path(path));
    if (file == nullptr)
        return std::nullopt;
    std::string bytes;
    char buffer[1 << 16];
    for (std::size_t n = 0; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        bytes.append(buffer, n);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    return failed ? std::nullopt : std::optional(std::move(bytes));
}

// A hard link to `from` at `to`, else a copy of it (its mode too) with its modification time.
std::error_code LinkOrCopy(const fs::path& from, const fs::path& to, fs::file_time_type modified)
{
    std::error_code ec;
    fs::create_hard_link(from, to, ec);
    if (!ec)
        return ec;
    ec.clear();
    fs::copy_file(from, to, fs::copy_options::none, ec);
    if (!ec)
        fs::last_write_time(to, modified, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(to, ignored);
    }
    return ec;
}

} // namespace

std::uint64_t BytesDigest(std::string_view bytes)
{
    std::uint64_t digest = 14695981039346656037ULL;
    for (const char c : bytes) {
        digest ^= static_cast<unsigned char>(c);
        digest *= 1099511628211ULL;
    }
    return digest;
}

PhotoBackup::PhotoBackup(std::string folder) : m_folder(std::move(folder)) {}

fs::path PhotoBackup::FreeName(const fs::path& target) const
{
    const fs::path folder = NativePath(m_folder);
    const std::string stem = Utf8Path(target.stem()), extension = Utf8Path(target.extension());
    fs::path name = folder / target.filename();
    std::error_code ec;
    for (int n = 2; fs::exists(fs::symlink_status(name, ec)); ++n) {
        std::string numbered = stem;
        numbered.append("~").append(std::to_string(n)).append(extension);
        name = folder / NativePath(numbered);
    }
    return name;
}

int PhotoBackup::Keep(const std::string& target)
{
    const std::lock_guard<std::mutex> held(m_lock);
    if (m_folder.empty()) // no folder could be made for them (the window's cache, say)
        return ENOENT;
    Entry entry;
    entry.Given = target;
    std::error_code ec;
    entry.Target = fs::weakly_canonical(NativePath(target), ec);
    if (ec)
        return ErrnoOf(ec);
    if (std::any_of(m_entries.begin(), m_entries.end(),
                    [&](const Entry& e) { return e.Target == entry.Target; }))
        return 0;
    const fs::file_status status = fs::status(entry.Target, ec);
    if (status.type() != fs::file_type::not_found) {
        if (ec)
            return ErrnoOf(ec);
        if (!fs::is_regular_file(status))
            return EISDIR;
        entry.ModifiedAt = fs::last_write_time(entry.Target, ec);
        fs::create_directories(NativePath(m_folder), ec);
        if (ec)
            return ErrnoOf(ec);
        entry.Original = FreeName(entry.Target);
        if (const std::error_code kept = LinkOrCopy(entry.Target, entry.Original, entry.ModifiedAt))
            return ErrnoOf(kept);
    }
    m_entries.push_back(std::move(entry));
    return 0;
}

void PhotoBackup::Replaced(const std::string& target, std::string_view bytes)
{
    const std::lock_guard<std::mutex> held(m_lock);
    std::error_code ec;
    const fs::path resolved = fs::weakly_canonical(NativePath(target), ec);
    for (Entry& entry : m_entries)
        if (entry.Target == resolved) {
            entry.Replaced = true;
            entry.WrittenSize = bytes.size();
            entry.WrittenDigest = BytesDigest(bytes);
        }
}

RestoredFile PhotoBackup::Restore(const Entry& entry)
{
    RestoredFile restored{entry.Given, RestoreResult::ChangedSince, 0};
    const std::optional<std::string> now = ReadWhole(entry.Target);
    if (!now || now->size() != entry.WrittenSize || BytesDigest(*now) != entry.WrittenDigest)
        return restored;
    std::error_code ec;
    if (entry.Original.empty()) { // made by the run: gone again
        fs::remove(entry.Target, ec);
    } else {
        // Beside the file under a hidden name, then over it in one rename.
        std::string hidden(".");
        hidden.append(Utf8Path(entry.Target.filename())).append(".t2n-restore");
        const fs::path beside = entry.Target.parent_path() / NativePath(hidden);
        fs::remove(beside, ec);
        ec = LinkOrCopy(entry.Original, beside, entry.ModifiedAt);
        if (!ec)
            fs::last_write_time(beside, entry.ModifiedAt, ec);
        if (!ec)
            fs::rename(beside, entry.Target, ec);
        if (ec) {
            std::error_code ignored;
            fs::remove(beside, ignored);
        }
    }
    restored.Result = ec ? RestoreResult::Failed : RestoreResult::Restored;
    restored.Errno = ec ? ErrnoOf(ec) : 0;
    return restored;
}

std::vector<RestoredFile> PhotoBackup::RestoreAll()
{
    const std::lock_guard<std::mutex> held(m_lock);
    std::vector<RestoredFile> results;
    std::vector<Entry> kept;
    for (Entry& entry : m_entries) {
        if (entry.Replaced) {
            results.push_back(Restore(entry));
            if (results.back().Result != RestoreResult::Restored) {
                kept.push_back(std::move(entry));
                continue;
            }
        }
        std::error_code ignored;
        if (!entry.Original.empty())
            fs::remove(entry.Original, ignored);
    }
    m_entries = std::move(kept);
    return results;
}

void PhotoBackup::Clear()
{
    const std::lock_guard<std::mutex> held(m_lock);
    for (const Entry& entry : m_entries) {
        std::error_code ignored;
        if (!entry.Original.empty())
            fs::remove(entry.Original, ignored);
    }
    m_entries.clear();
}

std::size_t PhotoBackup::Count() const
{
    const std::lock_guard<std::mutex> held(m_lock);
    return static_cast<std::size_t>(std::count_if(m_entries.begin(), m_entries.end(),
                                                  [](const Entry& e) { return e.Replaced; }));
}
