#include "convert/ConversionService.h"

#include "support/LogWriter.h"

#include <gtest/gtest.h>

namespace {

using namespace t2ntest;

// A logger that filled its memory wrote on from the front: the table starts after its end.
TEST(ConversionService, SpanKeepsTableOrderAndFindsTheEarliestAndLatest)
{
    TempDir dir;
    FlashImage log = BlockLog(1, kBlockBasicMask);
    for (const std::int32_t s : {100, 200, 300, 0, 50})
        log.Append(0, BlockRecord({.Seconds = kMay2021 + s}, kBlockBasicMask));
    ConversionService service(-540);
    EXPECT_FALSE(service.Span());
    ASSERT_EQ(service.Load(dir.Write("wrapped.bin", log.Data())).Kind, LogKind::Block);
    const std::optional<LogSpan> span = service.Span();
    ASSERT_TRUE(span);
    EXPECT_EQ(FormatDayCount(span->First), "2021/05/03 09:01:40.000");
    EXPECT_EQ(FormatDayCount(span->Last), "2021/05/03 09:00:50.000");
    EXPECT_EQ(FormatDayCount(span->Earliest), "2021/05/03 09:00:00.000");
    EXPECT_EQ(FormatDayCount(span->Latest), "2021/05/03 09:05:00.000");
}

// The loaded log is never written over, whatever name leads to it; an ignored file does not
// become the loaded log.
TEST(ConversionService, RefusesToWriteOverTheLoadedLog)
{
    TempDir dir;
    FlashImage log = BlockLog(1, kBlockBasicMask);
    log.Append(0, BlockRecord({}, kBlockBasicMask));
    const std::string path = dir.Write("track.nmea", log.Data());
    ConversionService service(-540);
    ASSERT_EQ(service.Load(path).Kind, LogKind::Block);
    EXPECT_EQ(service.Load(dir.Write("odd.bin", Bytes(10, 0))).Kind, LogKind::None);
    EXPECT_EQ(service.LoadedPath(), path);
    for (const std::string& target : {path, (dir.Path() / "." / "track.nmea").string()}) {
        EXPECT_EQ(service.Export(target, {}).Status, ExportStatus::SameAsLog) << target;
    }
    EXPECT_EQ(ReadWholeFile(path).size(), kBlockBytes);
    EXPECT_TRUE(service.Export((dir.Path() / "other.nmea").string(), {}).Ok());
}

} // namespace
