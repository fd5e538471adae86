#include "system/DataFolder.h"
#include "system/Paths.h"

#include <cstdlib>
#include <filesystem>

std::string UserDataFolder()
{
    const wchar_t* local = _wgetenv(L"LOCALAPPDATA");
    if (local == nullptr || local[0] == L'\0')
        return {};
    return Utf8Path(std::filesystem::path(local) / L"Tallo2NMEA");
}
