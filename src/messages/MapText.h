#pragma once

#include "messages/Language.h"
#include "tiles/MbTiles.h"

#include <string>

// Why a map file cannot be shown, with its path: "地図ファイル "<path>" を開けません。<reason>",
// or in English "cannot open the map file "<path>": <reason>". SQLite's own message, when there
// is one, follows in parentheses.
[[nodiscard]] std::string MbTilesErrorText(const std::string& path, MbTilesError error,
                                           const std::string& detail,
                                           Language language = Language::Japanese);
