#include "cli/Cli.h"
#include "export/InterruptCleanup.h"

#include <iostream>

int main(int argc, char** argv)
{
    InstallInterruptCleanup();
    std::ios::sync_with_stdio(false);
    const std::vector<std::string> args(argv + 1, argv + argc);
    const int status = RunCli(args, std::cout, std::cerr);
    std::cout.flush();
    return status;
}
