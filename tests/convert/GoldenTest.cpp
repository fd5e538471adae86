// The golden pairs of tests/data: each log, as the generator writes it today, converts to exactly
// its stored outputs in every format: the default file, GPX, UTC NMEA with GGA lines and one file
// a day. make golden remakes them when a change is meant.
#include "support/GoldenLogs.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

using namespace t2ntest;
namespace fs = std::filesystem;

const std::string kData = T2N_TEST_DATA;

TEST(Golden, LogsConvertToTheirStoredOutputs)
{
    for (const GoldenPair& pair : kGoldenPairs) {
        SCOPED_TRACE(pair.Log);
        const std::string log = kData + "/" + pair.Log;
        const Bytes made = pair.Make();
        EXPECT_EQ(ReadWholeFile(log), std::string(made.begin(), made.end()))
            << "the generator no longer writes the stored log";

        TempDir dir;
        std::vector<std::string> written = WriteGoldenOutputs(pair, log, dir.Path());
        for (const std::string& name : written)
            EXPECT_EQ(ReadWholeFile((dir.Path() / name).string()),
                      ReadWholeFile((std::filesystem::path(kData) / name).string()))
                << name;
        // The stored days are exactly the days written.
        const std::string days = fs::path(pair.Nmea).stem().string() + "-day-";
        std::vector<std::string> stored;
        for (const fs::directory_entry& entry : fs::directory_iterator(kData))
            if (entry.path().filename().string().starts_with(days))
                stored.push_back(entry.path().filename().string());
        std::erase_if(written, [&](const std::string& n) { return !n.starts_with(days); });
        std::sort(stored.begin(), stored.end());
        std::sort(written.begin(), written.end());
        EXPECT_EQ(stored, written);
        EXPECT_FALSE(written.empty());
    }
}

} // namespace
