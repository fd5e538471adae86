// Writes a full-size generated log, for measuring the command-line converter from outside
// (peak memory with /usr/bin/time, say): make-bench-log block|compact|sector FILE
#include "BenchLogs.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    const std::string kind = argc == 3 ? argv[1] : "";
    if (kind != "block" && kind != "compact" && kind != "sector") {
        std::fprintf(stderr, "usage: make-bench-log block|compact|sector FILE\n");
        return 2;
    }
    const std::vector<std::uint8_t> log = kind == "block"     ? MakeBlockLog()
                                          : kind == "compact" ? MakeCompactBlockLog()
                                                              : MakeSectorLog();
    return WriteFile(argv[2], log) ? 0 : 1;
}
