#include "messages/MapText.h"

#include <gtest/gtest.h>
#include <set>

namespace {

// Each reason a map file is refused has a text of its own in both languages, with the path and
// SQLite's message.
TEST(MapText, EveryReasonNamedWithThePath)
{
    const MbTilesError errors[] = {MbTilesError::CannotOpen, MbTilesError::NotADatabase,
                                   MbTilesError::NoTiles, MbTilesError::VectorTiles,
                                   MbTilesError::UnknownFormat};
    for (const Language language : {Language::English, Language::Japanese}) {
        std::set<std::string> texts;
        for (const MbTilesError error : errors) {
            const std::string text = MbTilesErrorText("/地図/a.mbtiles", error, "", language);
            EXPECT_NE(text.find("\"/地図/a.mbtiles\""), std::string::npos) << text;
            texts.insert(text);
        }
        EXPECT_EQ(texts.size(), std::size(errors));
    }
    EXPECT_EQ(MbTilesErrorText("m.mbtiles", MbTilesError::NotADatabase, "file is not a database",
                               Language::English),
              "cannot open the map file \"m.mbtiles\": the file is no MBTiles map or is damaged "
              "(file is not a database)");
    EXPECT_EQ(MbTilesErrorText("m.mbtiles", MbTilesError::VectorTiles, "", Language::Japanese),
              "地図ファイル \"m.mbtiles\" を開けません。ベクトルタイル (pbf) "
              "の地図は表示できません。PNG か JPEG の画像の地図を使ってください");
}

} // namespace
