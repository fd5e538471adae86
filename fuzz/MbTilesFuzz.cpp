// Fuzzes the reading of map files: the input is a whole database file (mostly map files with
// damaged pages, from the seeds), opened read-only from memory as a map would be. Opening gives
// a file or a reason; an opened file's zooms lie within 0..30 in order and its bounds are finite
// and ordered; every tile read is found with bytes, missing without, or failed with a message.

#include "FuzzCommon.h"
#include "tiles/MbTiles.h"
#include "tiles/TileBytes.h"

#include <cmath>
#include <string>
#include <string_view>

using namespace t2nfuzz;

namespace {

// The tiles asked for: the first zooms of the file, a few columns and rows of each.
constexpr int kZoomsRead = 3;
constexpr int kSideRead = 4;

void CheckInfo(const MbTilesInfo& info)
{
    Check(info.MinZoom >= 0 && info.MinZoom <= info.MaxZoom && info.MaxZoom <= kMaxTileZoom,
          "zooms within 0..30 and in order");
    const GeoBounds& b = info.Bounds;
    Check(std::isfinite(b.WestDeg) && std::isfinite(b.EastDeg) && std::isfinite(b.SouthDeg) &&
              std::isfinite(b.NorthDeg),
          "finite bounds");
    Check(b.WestDeg < b.EastDeg && b.SouthDeg < b.NorthDeg, "bounds in order");
    Check(b.WestDeg >= -180.0 && b.EastDeg <= 180.0, "bounds within -180..180");
}

void ReadTiles(MbTilesFile& file)
{
    const MbTilesInfo& info = file.Info();
    for (int z = info.MinZoom; z <= info.MaxZoom && z < info.MinZoom + kZoomsRead; ++z) {
        const int side = std::min(1 << z, kSideRead);
        for (int x = 0; x < side; ++x) {
            for (int y = 0; y < side; ++y) {
                std::string bytes;
                switch (file.Tile(TileCoord{z, x, y}, bytes)) {
                case MbTilesFile::Read::Found:
                    Check(!bytes.empty(), "a found tile has bytes");
                    (void)IsWholeTileImage(bytes);
                    break;
                case MbTilesFile::Read::Missing:
                    Check(bytes.empty(), "a missing tile has no bytes");
                    break;
                case MbTilesFile::Read::Failed:
                    Check(!file.LastError().empty(), "a failed read says why");
                    break;
                }
            }
        }
    }
    std::string any;
    (void)file.AnyTile(any);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    MbTilesError error = MbTilesError::None;
    std::string detail;
    auto file = MbTilesFile::OpenCopyOf(bytes, error, detail);
    Check((file != nullptr) == (error == MbTilesError::None), "a file or a reason");
    if (file) {
        CheckInfo(file->Info());
        ReadTiles(*file);
    }
    return 0;
}
