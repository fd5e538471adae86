#pragma once

#include <string>

// The folder where the program keeps the user's own data, as UTF-8: XDG_DATA_HOME/tallo2nmea
// (else ~/.local/share/tallo2nmea) on Linux, %LOCALAPPDATA%\Tallo2NMEA on Windows. Empty when the
// system names no such place.
[[nodiscard]] std::string UserDataFolder();
