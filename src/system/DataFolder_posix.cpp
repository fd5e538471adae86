#include "system/DataFolder.h"

#include <cstdlib>

std::string UserDataFolder()
{
    // An XDG_DATA_HOME that is not absolute is to be ignored.
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && data[0] == '/')
        return std::string(data) + "/tallo2nmea";
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0')
        return {};
    return std::string(home) + "/.local/share/tallo2nmea";
}
