// Writes a full-size generated log, for measuring the command-line converter from outside
// (peak memory with /usr/bin/time, say) or for trying the window by hand:
//   make-bench-log block|compact|sector|sister|noisy-block|noisy-sector FILE [SEED]
#include "BenchLogs.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    const std::string kind = argc == 3 || argc == 4 ? argv[1] : "";
    const auto seed = static_cast<std::uint32_t>(argc == 4 ? std::stoul(argv[3]) : 1);
    std::vector<std::uint8_t> log;
    if (kind == "block")
        log = MakeBlockLog();
    else if (kind == "compact")
        log = MakeCompactBlockLog();
    else if (kind == "sector")
        log = MakeSectorLog();
    else if (kind == "sister")
        log = MakeSisterLog();
    else if (kind == "noisy-block")
        log = MakeNoisyBlockLog(seed);
    else if (kind == "noisy-sector")
        log = MakeNoisySectorLog(seed);
    if (log.empty()) {
        std::fprintf(
            stderr,
            "usage: make-bench-log block|compact|sector|sister|noisy-block|noisy-sector FILE "
            "[SEED]\n");
        return 2;
    }
    return WriteFile(argv[2], log) ? 0 : 1;
}
