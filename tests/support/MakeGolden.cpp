// Remakes the golden pairs: t2n_make_golden DIR writes each golden log and its outputs (the whole
// log, bias -540) into DIR. make golden runs it on tests/data; review the difference before
// committing it.
#include "support/GoldenLogs.h"

#include <cstdio>
#include <exception>
#include <filesystem>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: t2n_make_golden DIR\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    try {
        for (const t2ntest::GoldenPair& pair : t2ntest::kGoldenPairs) {
            const std::string log = (dir / pair.Log).string();
            const t2ntest::Bytes bytes = pair.Make();
            std::FILE* f = std::fopen(log.c_str(), "wb");
            if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() ||
                std::fclose(f) != 0)
                return 1;
            for (const std::string& name : t2ntest::WriteGoldenOutputs(pair, log, dir))
                std::printf("%s\n", (dir / name).string().c_str());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "t2n_make_golden: %s\n", e.what());
        return 1;
    }
    return 0;
}
