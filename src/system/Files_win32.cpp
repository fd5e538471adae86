#include "system/Files.h"
#include "system/Paths.h"
#include "system/WindowsErrors.h"

#include <windows.h>

std::FILE* OpenForReading(const std::string& path)
{
    return _wfopen(NativePath(path).c_str(), L"rb");
}

MissingPath WhyMissing(const std::string& path)
{
    const HANDLE handle = CreateFileW(NativePath(path).c_str(), 0,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND)
            return {};
        return {MissingPath::Error, ErrnoFromWindowsError(code)};
    }
    const DWORD type = GetFileType(handle);
    CloseHandle(handle);
    return {type != FILE_TYPE_DISK ? MissingPath::Device : MissingPath::Nothing, 0};
}
