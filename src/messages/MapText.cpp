#include "messages/MapText.h"

namespace {

Bilingual ReasonOf(MbTilesError error)
{
    switch (error) {
    case MbTilesError::None:
        break;
    case MbTilesError::CannotOpen:
        return {"the file cannot be read", "ファイルを読み込めません"};
    case MbTilesError::NotADatabase:
        return {"the file is no MBTiles map or is damaged",
                "MBTiles 形式の地図ではないか、ファイルが壊れています"};
    case MbTilesError::NoTiles:
        return {"the database holds no map tiles (no tiles table)",
                "データベースに地図タイル (tiles テーブル) がありません"};
    case MbTilesError::VectorTiles:
        return {"it holds vector tiles (pbf), which cannot be drawn; use a map of PNG or JPEG "
                "images",
                "ベクトルタイル (pbf) の地図は表示できません。PNG か JPEG "
                "の画像の地図を使ってください"};
    case MbTilesError::UnknownFormat:
        return {"its tiles are in an unknown format", "タイルの形式が不明です"};
    }
    return {"", ""};
}

} // namespace

std::string MbTilesErrorText(const std::string& path, MbTilesError error, const std::string& detail,
                             Language language)
{
    static constexpr Bilingual kPattern{"cannot open the map file \"{1}\": {2}",
                                        "地図ファイル \"{1}\" を開けません。{2}"};
    std::string text = Fill(kPattern.In(language), {path, ReasonOf(error).In(language)});
    if (!detail.empty()) {
        text += " (" + detail + ")";
    }
    return text;
}
