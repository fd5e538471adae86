#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#ifdef _WIN32
#include <cerrno>
#include <winerror.h>
#endif

// Paths travel through the core as UTF-8 text.

// The native form of a UTF-8 path, for the file system calls.
inline std::filesystem::path NativePath(const std::string& utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// The UTF-8 text of a native path: the way back from NativePath. (path::string() would give the
// ANSI code page on Windows.)
inline std::string Utf8Path(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

// Where the last path component starts.
inline std::size_t NameStart(std::string_view path)
{
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string_view::npos ? 0 : slash + 1;
}

// Where the extension of the last path component starts (its last "."), or the path's length
// when that component has none: a "." in a folder name never counts, and neither does the
// leading "." of a name such as ".hidden".
inline std::size_t ExtensionStart(std::string_view path)
{
    const std::size_t dot = path.rfind('.');
    return dot == std::string_view::npos || dot <= NameStart(path) ? path.size() : dot;
}

#ifdef _WIN32
// The errno value of the same meaning as a Windows error code, so that the messages are shared.
inline int ErrnoFromWindowsError(unsigned long error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EACCES;
    case ERROR_WRITE_PROTECT:
        return EROFS;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_DIRECTORY:
        return EINVAL;
    case ERROR_TOO_MANY_OPEN_FILES:
        return EMFILE;
    default:
        return EIO;
    }
}
#endif
