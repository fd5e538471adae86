// Writes a full-size generated log, for measuring the command-line converter from outside
// (peak memory with /usr/bin/time, say): make-bench-log block|sector FILE
#include "BenchLogs.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 3 || (std::string(argv[1]) != "block" && std::string(argv[1]) != "sector")) {
        std::fprintf(stderr, "usage: make-bench-log block|sector FILE\n");
        return 2;
    }
    const bool sector = std::string(argv[1]) == "sector";
    return WriteFile(argv[2], sector ? MakeSectorLog() : MakeBlockLog()) ? 0 : 1;
}
