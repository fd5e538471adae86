#include "system/FileIdentity.h"
#include "system/Paths.h"

#include <windows.h>

std::optional<FileIdentity> IdentityOf(const std::string& path)
{
    // No access asked: the identity of a file this process may not read is there all the same.
    const HANDLE handle = CreateFileW(NativePath(path).c_str(), 0,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info;
    const bool known = GetFileInformationByHandle(handle, &info) != 0;
    CloseHandle(handle);
    if (!known)
        return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber,
                        std::uint64_t{info.nFileIndexHigh} << 32 | info.nFileIndexLow};
}
