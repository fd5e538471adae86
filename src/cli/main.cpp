#include "cli/Cli.h"
#include "system/InterruptCleanup.h"

#include <cstdlib>
#include <iostream>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

namespace {

int Run(const std::vector<std::string>& args, Language language)
{
    InstallInterruptCleanup();
    std::ios::sync_with_stdio(false);
    return RunCli(args, std::cout, std::cerr, language);
}

Language LocaleLanguage()
{
    return LanguageFromLocaleVariables(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"),
                                       std::getenv("LANG"));
}

} // namespace

#ifdef _WIN32

namespace {

// A narrow main() would get the arguments in the ANSI code page, which has no room for most
// Japanese names; the core takes UTF-8 on every system.
std::string Utf8(const wchar_t* text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? static_cast<std::size_t>(size) : 1u, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
    out.pop_back(); // the terminating null
    return out;
}

} // namespace

// Linked with -municode.
int wmain(int argc, wchar_t** argv)
{
    // Messages are UTF-8: a console shows them as such while the converter runs.
    const UINT consolePage = GetConsoleOutputCP();
    SetConsoleOutputCP(CP_UTF8);
    // Both streams carry the bytes as they are, as on every system: LF after the --info and
    // --trips lines and the messages, CR LF in NMEA. (A console starts a new line at LF alone.)
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(Utf8(argv[i]));
    // Windows sets no locale variables: without them the user's display language decides.
    const bool anyVariable =
        std::getenv("LC_ALL") || std::getenv("LC_MESSAGES") || std::getenv("LANG");
    const Language language =
        anyVariable
            ? LocaleLanguage()
            : (PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE ? Language::Japanese
                                                                          : Language::English);
    const int status = Run(args, language);
    if (consolePage != 0)
        SetConsoleOutputCP(consolePage);
    return status;
}

#else

int main(int argc, char** argv) { return Run({argv + 1, argv + argc}, LocaleLanguage()); }

#endif
