// The golden pairs through the real converter, with Japanese folder and file names on both sides:
// every system the converter is built for writes the committed outputs byte for byte, and its
// standard output carries the bytes as they are.

#include "store/PathText.h"
#include "support/ChildProcess.h"
#include "support/GoldenLogs.h"

#include <gtest/gtest.h>

namespace {

using namespace t2ntest;
namespace fs = std::filesystem;

TEST(GoldenCli, JapanesePathsGiveTheCommittedOutputs)
{
    TempDir dir;
    fs::create_directories(dir.Path() / "scratch");
    fs::create_directories(dir.Path() / NativePath("出力 先"));
    for (const GoldenPair& pair : kGoldenPairs) {
        const std::string log =
            dir.Write("ログ フォルダ/走行 " + std::string(pair.Log), pair.Make());
        const std::string target = Utf8Path(dir.Path() / NativePath("出力 先/東京 → 横浜.nmea"));
        const std::string golden = ReadWholeFile(T2N_TEST_DATA "/" + std::string(pair.Nmea));
        const std::string bias = std::to_string(kGoldenBias);
        ProcessOutcome r =
            RunProgram(T2N_CLI_BINARY, {"--bias", bias, "-o", target, log}, dir.Path() / "scratch");
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.err.find(log + " -> " + target), std::string::npos) << r.err;
        EXPECT_EQ(ReadWholeFile(target), golden) << pair.Log;

        r = RunProgram(T2N_CLI_BINARY, {"-q", "--bias", bias, "-o", "-", log},
                       dir.Path() / "scratch");
        EXPECT_EQ(r.out, golden) << pair.Log;
        // --info writes LF line ends on every system.
        r = RunProgram(T2N_CLI_BINARY, {"--info", log}, dir.Path() / "scratch");
        EXPECT_EQ(r.out.rfind("file: " + log + "\nkind: ", 0), 0u) << r.out;
        EXPECT_EQ(r.out.find('\r'), std::string::npos);
    }
}

} // namespace
