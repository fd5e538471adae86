#pragma once

#include "messages/Language.h"

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

// Exit statuses of the command-line converter. A usage error stops everything before it runs;
// otherwise an input that failed makes the run's status 1, else one that was ignored makes it 3.
enum CliStatus : int {
    kCliOk = 0,
    kCliError = 1,   // input/output, date or write error
    kCliUsage = 2,   // malformed command line
    kCliIgnored = 3, // an input ignored by the loading rules
};

// The language of a run's messages from the locale variables (null when not set): the first of
// LC_ALL, LC_MESSAGES and LANG that is set and not empty decides; Japanese for "ja...".
[[nodiscard]] Language LanguageFromLocaleVariables(const char* lcAll, const char* lcMessages,
                                                   const char* lang);

// Runs the converter on `args` (without the program name), writing its output and messages (in
// `language`; --help stays English) to the two streams. Returns the exit status.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           Language language = Language::English);

// The program's name, which starts each of its messages.
inline constexpr std::string_view kProgram = "tallo2nmea-cli";

// A name in a one-line record or a table's field: control characters C-style (\n, \t, \x1b), so
// that a newline or tab in a file's name cannot break the line nor an escape reach the terminal.
[[nodiscard]] std::string RecordText(const std::string& text);
