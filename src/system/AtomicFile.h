#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// What a writer that replaces an existing file asks beyond the usual rules; photos ask for both.
struct ReplaceRules {
    bool KeepModificationTime = false; // the replacement takes the replaced file's time
    bool NeverInPlace = false;         // refuse a file whose folder allows no temporary file
};

// Writes a file so that readers see either the old content or the whole new one: the bytes go to
// a temporary file, and Commit() renames it over the target. Destroying an AtomicFile that was not
// committed removes the temporary file and leaves the target as it was. Every writer of an output
// file goes through this class.
//
// Where the bytes go, seen through the target's links:
// - a regular file is replaced where its links lead (so a link stays a link), by a temporary file
//   in that file's folder; it keeps its mode bits and, where the process may set them, its owner
//   and group. It gets a new inode: other hard links to it keep the old content;
// - a link to nothing creates the file it points to, in a folder that exists;
// - a device, a pipe, a socket or a file outside the file system's paths (a pipe behind
//   /proc/self/fd) is written directly, never synced or renamed;
// - a file the user may not write is refused; a writable file in a folder that allows no new file
//   is written in place, which is not atomic.
// While the temporary file exists it is registered with the interrupt cleanup. With ReplaceRules a
// replaced file's modification time is kept too, and a file that could only be written in place
// is refused (EACCES) instead.
//
// On Windows the same rules hold with the system's own calls: the temporary file is made with
// CreateFileW under a new name, synced with FlushFileBuffers and moved over the target with
// MoveFileExW(MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH); a replaced file keeps its
// hidden, system and archive attributes, and its access list becomes the folder's default.
// Links are followed as the system resolves them, a file with the read-only attribute is refused,
// and a device (NUL, CON, a COM port, a pipe) is written directly. Windows error codes are
// reported as the errno values of the same meaning.
class AtomicFile
{
  public:
    // Where a failure happened: creating the output, or writing and committing it.
    enum class Stage {
        None,
        Create,
        Write,
    };

    // The target name that means the process's standard output, written directly (on Windows in
    // binary mode, so that CR LF stays CR LF).
    static constexpr const char* kStandardOutput = "-";

    // `target` is a UTF-8 path. Nothing is opened until Open().
    explicit AtomicFile(std::string target, ReplaceRules rules = {});
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Creates the temporary file (or opens a device target). False on failure: see Errno().
    // A new file gets the mode 0666 less the umask.
    [[nodiscard]] bool Open();
    // Appends bytes; false on failure. Nothing is written after a failure.
    [[nodiscard]] bool Write(const char* data, std::size_t size);
    // The bytes written so far, read back from the temporary file before Commit(), so that a
    // writer can check what the target is about to become; false when there is no temporary file
    // (a device, an in-place write) or the read fails.
    [[nodiscard]] bool ReadBack(std::string& bytes);
    // Syncs the temporary file, renames it over the target and syncs the folder; false on
    // failure, after which a replaced target is as it was and no temporary file is left.
    [[nodiscard]] bool Commit();

    // The errno value of the first failure, 0 while none.
    [[nodiscard]] int Errno() const { return m_errno; }
    [[nodiscard]] Stage FailedStage() const { return m_failedStage; }
    [[nodiscard]] const std::string& Target() const { return m_target; }

  private:
    void StartWriteback();

    enum class Way {
        Replace, // through a temporary file
        InPlace, // into the existing file, its folder allowing no temporary file
        Direct,  // into a device or a pipe
    };
    // Where the bytes for the target go, and what a replaced file passes on to its replacement.
    struct Destination {
        Way Route = Way::Replace;
        std::string Path;             // opened directly, or replaced by the temporary file
        bool Exists = false;          // a file is there, to be replaced
        std::uint32_t Mode = 0;       // its mode bits; on Windows its attributes
        std::uint32_t Owner = 0;      // its owner (not on Windows)
        std::uint32_t Group = 0;      // and its group
        std::int64_t Written[2] = {}; // its modification time: seconds and nanoseconds; on
                                      // Windows a FILETIME count
    };

    static int Locate(const std::string& target, Destination& out);
    int CreateTemporary(); // beside m_path
    bool OpenFile(Way way);
    bool OpenStandardOutput();
    void KeepAttributes(const Destination& replaced); // of the file replaced, on the temporary
    void ApplyKeptTime(); // the replaced file's modification time, after the last write
    bool Fail(Stage stage, int error);
    void Discard();

    // The file written: a file descriptor, or on Windows a HANDLE; kNoFile while none is open.
    static constexpr std::intptr_t kNoFile = -1;

    std::string m_target;
    ReplaceRules m_rules;
    std::string m_path;      // the file written directly or replaced, its links resolved
    std::string m_temporary; // empty when writing directly or once committed
    int m_slot = -1;         // of the temporary file in the interrupt cleanup
    std::intptr_t m_file = kNoFile;
    int m_errno = 0;
    Stage m_failedStage = Stage::None;
    Way m_way = Way::Replace;
    std::size_t m_written = 0;       // bytes written so far
    std::size_t m_writebackFrom = 0; // where the disk writeback started last stops
    bool m_keepTime = false;         // the replaced file's time is to be set on the replacement
    std::int64_t m_keptTime[2] = {}; // as Destination::written
};
