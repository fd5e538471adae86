#pragma once

#include <cstdio>
#include <string>

// Reading files by their UTF-8 paths.

// Opens a file for reading in binary mode, as std::fopen does; null with errno set on failure.
[[nodiscard]] std::FILE* OpenForReading(const std::string& path);

// What is under a path that the file system library finds nothing under. On Windows its status
// query finds nothing under a device name (NUL, CON, COM1), a pipe (\\.\pipe\...) or a name the
// system refuses (one with a "<") either, which the system itself tells apart.
struct MissingPath {
    enum Kind {
        Nothing, // no file at all
        Device,  // a device or a pipe: something, but not a file on a disk
        Error,   // the path cannot be examined: see Errno
    };
    Kind What = Nothing;
    int Errno = 0; // for Error, the errno value of the reason
};
[[nodiscard]] MissingPath WhyMissing(const std::string& path);
