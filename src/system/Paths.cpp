#include "system/Paths.h"

#include <system_error>

bool SameFile(const std::string& a, const std::string& b)
{
    std::error_code ec;
    const bool same = std::filesystem::equivalent(NativePath(a), NativePath(b), ec);
    return !ec && same;
}

std::string ResolvedPath(const std::string& path)
{
    std::error_code ec;
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(NativePath(path), ec);
    return ec ? path : Utf8Path(resolved);
}
