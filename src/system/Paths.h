#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

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

// True when both paths name the same existing file (same device and inode).
[[nodiscard]] bool SameFile(const std::string& a, const std::string& b);

// A path made absolute and resolved as far as it exists (links, "." and ".."), as UTF-8: two
// paths that give the same text name the same file, whether it exists or not. The path as given
// when it cannot be resolved.
[[nodiscard]] std::string ResolvedPath(const std::string& path);

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
