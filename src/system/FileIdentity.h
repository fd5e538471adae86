#pragma once

#include <cstdint>
#include <optional>
#include <string>

// What tells two files apart on one machine: the device and the file's number on it (the inode,
// or on Windows the volume serial number and the file index). Two paths that lead to one file,
// through links or spellings, give the same identity. Taken once a path, it makes comparing one
// output with many written ones cheap.
struct FileIdentity {
    std::uint64_t Device = 0;
    std::uint64_t File = 0;

    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// The identity of the file a UTF-8 path leads to, links followed; nothing when there is no such
// file or it cannot be examined.
[[nodiscard]] std::optional<FileIdentity> IdentityOf(const std::string& path);
