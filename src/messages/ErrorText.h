#pragma once

#include "archive/Archive.h"
#include "export/NmeaExport.h"
#include "load/LogFile.h"
#include "messages/Language.h"

#include <cstdint>
#include <string>
#include <string_view>

// The converter's user-visible error texts, in the run's language. The window shows the
// Japanese texts as they stand; the command line shows either.

inline constexpr std::string_view kDateConversionError = "日付に変換できない値が渡されました";
inline constexpr std::string_view kSameFileError =
    "出力ファイルが読み込んだログファイルと同じです。ログファイルは上書きできません";

// The date conversion error and the refusal to write over the loaded log.
[[nodiscard]] std::string_view DateConversionErrorText(Language language);
[[nodiscard]] std::string_view SameFileErrorText(Language language);

// The system error code the texts are keyed on (2 not found, 3 bad path, 4 too many open files,
// 5 access denied, 101 disk full) for the errno values that have one; 0 for every other value.
int SystemErrorCode(int errnoValue);

// The text of an input/output error, e.g. "ファイルが見つかりません"; an errno value without a
// text of its own gives "I/O エラー (n)" with the errno value n.
std::string IoErrorText(int errnoValue, Language language = Language::Japanese);

// The reason a file cannot be created.
std::string CreateReasonText(int errnoValue, Language language = Language::Japanese);

// The system's reason of an errno value in the command line's words, "no such file"; a value
// without words of its own keeps its number: "input/output error (5)".
[[nodiscard]] std::string SystemReasonText(int errnoValue, Language language);

// "ファイル "<path>". <reason> を作成できません", or in English
// "cannot create "<path>": <reason>".
std::string CreateErrorText(std::string_view path, int errnoValue,
                            Language language = Language::Japanese);

// The message followed by "." when its last character comes after "." in code order.
std::string WithFinalPoint(std::string_view message);
// The message without its final points ("." or "。"), to stand inside brackets.
[[nodiscard]] std::string WithoutFinalPoint(std::string_view message);

// The message of a failed export, for the error box and the command line.
[[nodiscard]] std::string ExportErrorText(const ExportResult& result, std::string_view target,
                                          Language language = Language::Japanese);

// Why the loading rules ignored a file, naming the rule; `kind` picks the unit of the size rules
// (65536-byte blocks or 4096-byte sectors).
[[nodiscard]] std::string IgnoreReasonText(IgnoreReason reason, LogKind kind,
                                           Language language = Language::Japanese);

// The size the size rule would have taken next for a file of `bytes` of that kind, e.g.
// " (the next is 131072)", or nothing when the rule is not the size rule.
[[nodiscard]] std::string NextSizeText(IgnoreReason reason, LogKind kind, std::uintmax_t bytes,
                                       Language language);

// After the size rule's reason for a block log cut short (LoadResult::TruncatedCopy): how to
// pad it, "; it looks like a block log cut short: append 25536 bytes of 0xFF (erased flash) to
// make it 65536 bytes, and it loads"; nothing for any other file.
[[nodiscard]] std::string PadHintText(const LoadResult& result, Language language);

// The Japanese message of a file the loading rules ignored, with its path, the reason and the
// way to pad a block log cut short: "ファイル "<path>" は読み込めません。<reason>".
[[nodiscard]] std::string IgnoredFileText(const std::string& path, const LoadResult& result);

// Why an archive was refused or an import into it failed; SQLite's message follows a failure.
std::string ArchiveErrorText(const ArchiveStatus& status, Language language = Language::Japanese);
