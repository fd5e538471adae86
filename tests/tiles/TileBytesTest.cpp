#include "tiles/TileBytes.h"

#include "support/TilePictures.h"

#include <gtest/gtest.h>

namespace {

TEST(TileBytes, OnlyWholeImagesPass)
{
    const std::string png = SolidPng(Rgb{1, 2, 3}, 16);
    const std::string jpeg =
        std::string("\xff\xd8\xff\xe0", 4) + std::string(100, 'j') + "\xff\xd9";
    const std::string webp =
        "RIFF" + std::string("\x10\0\0\0", 4) + "WEBPVP8 " + std::string(8, 'w');
    const struct {
        std::string Bytes;
        TileFormat Format;
        bool Whole;
    } cases[] = {
        {png, TileFormat::Png, true},
        {png.substr(0, png.size() - 1), TileFormat::Png, false}, // cut in its IEND
        {png.substr(0, png.size() / 2), TileFormat::Png, false},
        {png.substr(0, 8), TileFormat::Png, false},
        {jpeg, TileFormat::Jpeg, true},
        {jpeg.substr(0, jpeg.size() - 1), TileFormat::Jpeg, false},
        {jpeg.substr(0, 3), TileFormat::Jpeg, false},
        {webp, TileFormat::Webp, true},
        {webp.substr(0, webp.size() - 1), TileFormat::Webp, false},
        {"<html>Service Unavailable</html>", TileFormat::Unknown, false},
        {"", TileFormat::Unknown, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SniffTileFormat(c.Bytes), c.Format) << c.Bytes.size();
        EXPECT_EQ(IsWholeTileImage(c.Bytes), c.Whole) << c.Bytes.size();
    }
}

} // namespace
