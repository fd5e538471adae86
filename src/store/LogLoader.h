#pragma once

#include "store/FixStore.h"

#include <optional>
#include <string>

enum class LogKind {
    None,   // the file was ignored or could not be read
    Block,  // 64 KiB flash blocks
    Sector, // 4 KiB flash sectors (".BNX4")
};

// Why a file was ignored. Ignored files leave the store as it was.
enum class IgnoreReason {
    None,
    NotFound,        // no file under the path
    NotAFile,        // the path names a folder (or something else that is not a file)
    SizeNotMultiple, // the size is not a whole number of blocks or sectors
    TooLarge,        // more than the 16 MiB the log buffer holds
    ShortRead,       // the read delivered a count that is not a whole number of units
};

struct LoadResult {
    LogKind Kind = LogKind::None;
    IgnoreReason Ignored = IgnoreReason::None;
    int IoErrno = 0; // non-zero when the open or the read failed
    // Times of table entries 0 and FixCount - 1 (table order, not earliest and latest).
    std::optional<double> FirstTime;
    std::optional<double> LastTime;

    [[nodiscard]] bool Failed() const { return IoErrno != 0; }
};

// ".BNX4" in any letter case, taken from the last path component only.
[[nodiscard]] LogKind KindFromPath(const std::string& path);

// Reads a raw log into the store's buffer and decodes it into the fix table. A file that passes
// the existence and size rules and is read completely empties the table first; an ignored file or
// a failed open or read leaves the table as it was.
[[nodiscard]] LoadResult LoadLogFile(FixStore& store, const std::string& path);

// Decodes the first `size` bytes of the store's buffer as a log of the given kind: empties the
// table, resets the fix-type gate, scans every unit and smooths a sector log. Used by the loader
// once the file is in the buffer, and by tests and fuzzers that fill the buffer themselves.
void DecodeLogBuffer(FixStore& store, LogKind kind, std::size_t size);
