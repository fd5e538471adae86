#include "map/OnlineTileSource.h"
#include "map/TileSources.h"
#include "store/Version.h"
#include "support/LogWriter.h"
#include "support/TilePictures.h"
#include "support/TileServer.h"
#include "system/Paths.h"

#include <QSignalSpy>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

using namespace t2ntest;

constexpr int kWaitMs = 20'000;
constexpr qint64 kDaySec = 86400;

// A tile server, a cache folder and a clock the test moves.
class OnlineSource : public testing::Test
{
  protected:
    void SetUp() override { ASSERT_TRUE(server->Start()); }

    std::unique_ptr<OnlineTileSource> Source(qint64 memoryBytes = 64'000'000)
    {
        const OnlineServer online{"Test", server->UrlTemplate(), "© Test", 0, 19, 256};
        TileCacheOptions cache;
        cache.Folder = QString::fromStdString(Utf8Path(cacheDir.Path()));
        cache.MemoryBytes = memoryBytes;
        cache.Now = [this] { return now; };
        return std::make_unique<OnlineTileSource>(online, cache);
    }

    // Waits until every key is ready (or has the state asked), asking as the picture would.
    static bool WaitFor(TileSource& source, const std::vector<TileKey>& keys,
                        TileImage::State state = TileImage::State::Ready)
    {
        return QTest::qWaitFor(
            [&] {
                return std::all_of(keys.begin(), keys.end(), [&](const TileKey& key) {
                    return source.Tile(key).Status == state;
                });
            },
            kWaitMs);
    }

    static bool HasColourOf(const TileImage& tile, const TileKey& key)
    {
        const Rgb rgb = TileColour(key.Z, key.X, key.Y);
        return !tile.Image.isNull() && tile.Image.pixel(100, 100) == qRgb(rgb.R, rgb.G, rgb.B);
    }

    std::filesystem::path FileOf(const OnlineTileSource& source, const TileKey& key) const
    {
        return NativePath(source.CacheFolder().toStdString()) / std::to_string(key.Z) /
               std::to_string(key.X) / (std::to_string(key.Y) + ".tile");
    }

    // Fetches the tiles once, then moves the clock past their freshness.
    void FetchThenAge(const std::vector<TileKey>& keys)
    {
        auto first = Source();
        first->SetWanted(keys);
        ASSERT_TRUE(WaitFor(*first, keys));
        now = now.addSecs(8 * kDaySec);
        server->ClearRequests();
    }

    std::unique_ptr<TileServer> server = std::make_unique<TileServer>();
    TempDir cacheDir;
    QDateTime now = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);
};

const std::vector<TileKey> kThree = {{3, 4, 2}, {3, 5, 2}, {3, 4, 3}};

TEST_F(OnlineSource, NamesItselfAndNeverBypassesCaches)
{
    auto source = Source();
    source->SetWanted(kThree);
    ASSERT_TRUE(WaitFor(*source, kThree));
    for (const TileKey& key : kThree) {
        EXPECT_TRUE(HasColourOf(source->Tile(key), key));
        EXPECT_FALSE(source->Tile(key).Stale);
    }
    const QByteArray agent = QByteArray("Tallo2NMEA/") + kVersion + " (+" + kHomepage + ")";
    ASSERT_EQ(server->Requests().size(), 3);
    for (const TileServer::Request& request : server->Requests()) {
        EXPECT_EQ(request.Headers.value("user-agent"), agent);
        for (const QByteArray& value : request.Headers) {
            EXPECT_FALSE(value.toLower().contains("no-cache")) << value.toStdString();
            EXPECT_FALSE(value.toLower().contains("no-store")) << value.toStdString();
        }
        EXPECT_FALSE(request.Headers.contains("if-none-match")); // nothing kept yet
    }
}

TEST_F(OnlineSource, RestartWithTheCacheAsksNothing)
{
    {
        auto first = Source();
        first->SetWanted(kThree);
        ASSERT_TRUE(WaitFor(*first, kThree));
    }
    server->ClearRequests();
    now = now.addSecs(6 * kDaySec); // fresh for at least a week
    auto second = Source();
    second->SetWanted(kThree);
    ASSERT_TRUE(WaitFor(*second, kThree));
    for (const TileKey& key : kThree) {
        EXPECT_TRUE(HasColourOf(second->Tile(key), key));
    }
    EXPECT_TRUE(server->Requests().isEmpty());
}

TEST_F(OnlineSource, StaleTileAsksOnceConditionallyAnd304KeepsTheFile)
{
    const TileKey key{5, 10, 12};
    FetchThenAge({key});
    auto source = Source();
    const std::string before = ReadWholeFile(Utf8Path(FileOf(*source, key)));
    ASSERT_FALSE(before.empty());
    source->SetWanted({key});
    ASSERT_TRUE(WaitFor(*source, {key}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !source->Tile(key).Stale; }, kWaitMs));
    ASSERT_EQ(server->Requests().size(), 1);
    const TileServer::Request& asked = server->Requests().front();
    EXPECT_EQ(asked.Headers.value("if-none-match"), TileServer::ETagOf("/5/10/12.png"));
    EXPECT_EQ(asked.Headers.value("if-modified-since"), TileServer::kLastModified);
    EXPECT_TRUE(HasColourOf(source->Tile(key), key));
    // The same image, fresh for another week from now.
    const auto after = DecodeCachedTile(ReadWholeFile(Utf8Path(FileOf(*source, key))));
    ASSERT_TRUE(after.has_value());
    EXPECT_EQ(after->Bytes, DecodeCachedTile(before)->Bytes);
    EXPECT_EQ(after->Freshness.FreshUntilSec, now.toSecsSinceEpoch() + 7 * kDaySec);
    EXPECT_EQ(server->Requests().size(), 1);
}

// Whatever goes wrong with the server, the stale tile stays drawn and stays on disk.
TEST_F(OnlineSource, StaleTileDrawnWhenTheServerFails)
{
    const TileKey key{4, 3, 6};
    const TileServer::Answer answers[] = {
        TileServer::Answer::Unavailable, TileServer::Answer::NotFound,  TileServer::Answer::Close,
        TileServer::Answer::Garbage,     TileServer::Answer::Truncated,
    };
    FetchThenAge({key});
    for (const TileServer::Answer answer : answers) {
        server->SetAnswer(answer);
        server->ClearRequests();
        auto source = Source();
        const std::string kept = ReadWholeFile(Utf8Path(FileOf(*source, key)));
        QSignalSpy arrived(source.get(), &TileSource::TileArrived);
        source->SetWanted({key});
        // Once from disk, once more when the server's answer was had.
        ASSERT_TRUE(QTest::qWaitFor([&] { return arrived.size() >= 2; }, kWaitMs));
        EXPECT_GE(server->Requests().size(), 1);
        const TileImage tile = source->Tile(key);
        EXPECT_EQ(tile.Status, TileImage::State::Ready) << static_cast<int>(answer);
        EXPECT_TRUE(tile.Stale);
        EXPECT_TRUE(HasColourOf(tile, key));
        EXPECT_EQ(ReadWholeFile(Utf8Path(FileOf(*source, key))), kept);
    }
}

TEST_F(OnlineSource, StaleTileDrawnWhenNothingListens)
{
    const TileKey key{4, 3, 6};
    FetchThenAge({key});
    const OnlineServer online{"Test", server->UrlTemplate(), "", 0, 19, 256};
    server.reset(); // the port refuses connections from now on
    TileCacheOptions cache;
    cache.Folder = QString::fromStdString(Utf8Path(cacheDir.Path()));
    cache.Now = [this] { return now; };
    OnlineTileSource source(online, cache);
    QSignalSpy arrived(&source, &TileSource::TileArrived);
    source.SetWanted({key});
    ASSERT_TRUE(QTest::qWaitFor([&] { return arrived.size() >= 2; }, kWaitMs));
    const TileImage tile = source.Tile(key);
    EXPECT_EQ(tile.Status, TileImage::State::Ready);
    EXPECT_TRUE(tile.Stale);
    EXPECT_TRUE(HasColourOf(tile, key));
}

TEST_F(OnlineSource, NeverMoreThanTwoRequestsInFlight)
{
    std::vector<TileKey> nine;
    for (int x = 0; x < 3; ++x) {
        for (int y = 0; y < 3; ++y) {
            nine.push_back({6, 30 + x, 20 + y});
        }
    }
    server->Hold();
    auto source = Source();
    source->SetWanted(nine);
    while (server->Requests().size() < static_cast<qsizetype>(nine.size())) {
        const auto asked = [&] {
            return server->Outstanding() == 2 ||
                   (server->Outstanding() == 1 && server->Requests().size() == 9);
        };
        ASSERT_TRUE(QTest::qWaitFor(asked, kWaitMs)) << server->Requests().size();
        server->AnswerWaiting();
    }
    server->Release();
    ASSERT_TRUE(WaitFor(*source, nine));
    EXPECT_EQ(server->MostOutstanding(), 2);
    EXPECT_EQ(server->Requests().size(), 9);
}

TEST_F(OnlineSource, AsksOnlyForWantedTiles)
{
    const std::vector<TileKey> before = {{7, 1, 1}, {7, 2, 1}, {7, 3, 1}, {7, 4, 1}};
    const std::vector<TileKey> after = {{7, 1, 9}, {7, 2, 9}};
    server->Hold();
    auto source = Source();
    source->SetWanted(before);
    ASSERT_TRUE(QTest::qWaitFor([&] { return server->Outstanding() == 2; }, kWaitMs));
    source->SetWanted(after); // the picture moved before the first answers came
    EXPECT_EQ(source->Tile({7, 5, 5}).Status, TileImage::State::Pending); // looked for on disk only
    server->Release();
    ASSERT_TRUE(WaitFor(*source, after));
    ASSERT_TRUE(WaitFor(*source, {{7, 5, 5}}, TileImage::State::Failed));
    QStringList paths;
    for (const TileServer::Request& request : server->Requests()) {
        paths << request.Path;
    }
    paths.sort();
    EXPECT_EQ(paths, QStringList({"/7/1/1.png", "/7/1/9.png", "/7/2/1.png", "/7/2/9.png"}));
}

TEST_F(OnlineSource, FollowsRedirectsNamingItselfEachTime)
{
    const TileKey key{9, 300, 200};
    server->SetAnswer(TileServer::Answer::Moved);
    auto source = Source();
    source->SetWanted({key});
    ASSERT_TRUE(WaitFor(*source, {key}));
    EXPECT_TRUE(HasColourOf(source->Tile(key), key));
    ASSERT_EQ(server->Requests().size(), 2);
    EXPECT_EQ(server->Requests()[1].Path, "/moved/9/300/200.png");
    EXPECT_EQ(server->Requests()[1].Headers.value("user-agent"),
              server->Requests()[0].Headers.value("user-agent"));
}

TEST_F(OnlineSource, BadImageIsNeitherDrawnNorKept)
{
    for (const TileServer::Answer answer :
         {TileServer::Answer::Garbage, TileServer::Answer::Truncated}) {
        const TileKey key{2, 1, static_cast<int>(answer) % 4};
        server->SetAnswer(answer);
        auto source = Source();
        source->SetWanted({key});
        ASSERT_TRUE(WaitFor(*source, {key}, TileImage::State::Failed));
        EXPECT_TRUE(source->Tile(key).Image.isNull());
        EXPECT_FALSE(std::filesystem::exists(FileOf(*source, key)));
    }
    server->SetAnswer(TileServer::Answer::Tile);
    server->ClearRequests();
    auto source = Source();
    source->SetWanted({{2, 1, static_cast<int>(TileServer::Answer::Garbage) % 4}});
    ASSERT_TRUE(WaitFor(*source, {{2, 1, static_cast<int>(TileServer::Answer::Garbage) % 4}}));
    EXPECT_EQ(server->Requests().size(), 1);
}

// Past its bound the memory cache lets go of tiles; they come back from disk, not the server.
TEST_F(OnlineSource, MemoryBoundedTilesComeBackFromDisk)
{
    const qint64 tileBytes = 256 * 256 * 4;
    auto source = Source(3 * tileBytes);
    std::vector<TileKey> six;
    for (int x = 0; x < 6; ++x) {
        six.push_back({8, x, 0});
    }
    for (const TileKey& key : six) {
        source->SetWanted({key});
        ASSERT_TRUE(WaitFor(*source, {key}));
    }
    EXPECT_EQ(source->Tile(six.front()).Status, TileImage::State::Pending);
    source->SetWanted({six.front()});
    ASSERT_TRUE(WaitFor(*source, {six.front()}));
    EXPECT_EQ(server->Requests().size(), 6);
}

TEST(BuiltInSources, ServersWithTheirCredits)
{
    const std::vector<OnlineServer> sources = BuiltInSources();
    ASSERT_EQ(sources.size(), 4U);
    for (const OnlineServer& online : sources) {
        EXPECT_TRUE(online.UrlTemplate.startsWith("https://")) << online.UrlTemplate.toStdString();
        for (const char* part : {"{z}", "{x}", "{y}"}) {
            EXPECT_TRUE(online.UrlTemplate.contains(part)) << online.UrlTemplate.toStdString();
        }
        EXPECT_LT(online.MinZoom, online.MaxZoom);
    }
    EXPECT_EQ(sources[0].Attribution, "© OpenStreetMap contributors");
    for (std::size_t i = 1; i < sources.size(); ++i) {
        EXPECT_EQ(sources[i].Attribution, QStringLiteral("出典：国土地理院"));
    }
}

} // namespace
