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

// Where the extension of the last path component starts (its "."), or the path's length when
// that component has none: a "." in a folder name never counts.
inline std::size_t ExtensionStart(std::string_view path)
{
    const std::size_t slash = path.find_last_of("/\\");
    const std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    const std::size_t dot = path.rfind('.');
    return dot == std::string_view::npos || dot < nameStart ? path.size() : dot;
}
