#pragma once

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

// The originals of the files a geotagging run replaces, kept so that the run can be taken back.
// Before a photo (or its sidecar) is replaced, what it holds is kept in a folder: a hard link to
// it where the file system allows (the replacement is a new file, so the link keeps the old
// content for nothing), else a copy with its modification time. Restoring puts every file back
// exactly, bytes and modification time, one file at a time: the original goes beside the file
// under a hidden name and is renamed over it. A file changed again since the run (its bytes are
// not those the run wrote) is left as it is and reported. Safe to use from several threads.

enum class RestoreResult {
    Restored,     // the file holds its original again (or, made by the run, is gone again)
    ChangedSince, // the file is not what the run wrote: left alone, its original still kept
    Failed,       // the original could not be put back (Errno); the file is as it was
};

struct RestoredFile {
    std::string Path; // as it was given to Keep
    RestoreResult Result = RestoreResult::Failed;
    int Errno = 0;
};

class PhotoBackup
{
  public:
    // `folder`: a UTF-8 path, made when the first original is kept. Names taken there already
    // are not reused.
    explicit PhotoBackup(std::string folder);
    PhotoBackup(const PhotoBackup&) = delete;
    PhotoBackup& operator=(const PhotoBackup&) = delete;

    // Keeps what `target` holds before it is replaced (nothing, when there is no such file:
    // restoring removes what the run made). 0, or the errno value of a failure: the target must
    // then be left as it is. A target kept already keeps its first original.
    [[nodiscard]] int Keep(const std::string& target);
    // `target` was replaced and holds `bytes` now: restoring expects to find them there.
    void Replaced(const std::string& target, std::string_view bytes);

    // Restores every file replaced, in the order they were kept. The originals of the files
    // restored, and of those kept but never replaced, are removed; a file changed since keeps
    // its original for a later try.
    [[nodiscard]] std::vector<RestoredFile> RestoreAll();
    // Removes every original kept: nothing can be restored after.
    void Clear();
    // The files replaced whose originals are kept.
    [[nodiscard]] std::size_t Count() const;
    [[nodiscard]] const std::string& Folder() const { return m_folder; }

  private:
    struct Entry {
        std::string Given;              // the path as given
        std::filesystem::path Target;   // the file it leads to, links followed
        std::filesystem::path Original; // the kept original; empty: the target did not exist
        std::filesystem::file_time_type ModifiedAt;
        bool Replaced = false;
        std::uint64_t WrittenSize = 0; // what the run wrote
        std::uint64_t WrittenDigest = 0;
    };

    // A name in the folder for the original of `target`, not taken yet.
    [[nodiscard]] std::filesystem::path FreeName(const std::filesystem::path& target) const;
    [[nodiscard]] static RestoredFile Restore(const Entry& entry);

    std::string m_folder;
    mutable std::mutex m_lock;
    std::vector<Entry> m_entries;
};

// FNV-1a over the bytes: what tells the bytes a run wrote from a later change.
[[nodiscard]] std::uint64_t BytesDigest(std::string_view bytes);
