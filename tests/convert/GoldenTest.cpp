// The golden pairs of tests/data: each log, as the generator writes it today, converts to
// exactly its stored output. Remake them with t2n_make_golden when a change is meant.
#include "convert/ConversionService.h"
#include "support/GoldenLogs.h"

#include <gtest/gtest.h>

namespace {

using namespace t2ntest;

const std::string kData = T2N_TEST_DATA;

TEST(Golden, LogsConvertToTheirStoredOutput)
{
    TempDir dir;
    for (const GoldenPair& pair : kGoldenPairs) {
        SCOPED_TRACE(pair.Log);
        const std::string log = kData + "/" + pair.Log;
        const Bytes made = pair.Make();
        EXPECT_EQ(ReadWholeFile(log), std::string(made.begin(), made.end()))
            << "the generator no longer writes the stored log";

        ConversionService service(kGoldenBias);
        ASSERT_NE(service.Load(log).Kind, LogKind::None);
        const std::string out = (dir.Path() / pair.Nmea).string();
        ASSERT_TRUE(service.Export(out, ExportRequest{}).Ok());
        EXPECT_EQ(ReadWholeFile(out), ReadWholeFile(kData + "/" + pair.Nmea));
    }
}

} // namespace
