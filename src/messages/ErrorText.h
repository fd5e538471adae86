#pragma once

#include "export/NmeaExport.h"
#include "load/LogFile.h"

#include <string>
#include <string_view>

// The converter's user-visible error texts. Both front ends show them as they stand.

inline constexpr std::string_view kDateConversionError = "日付に変換できない値が渡されました";
inline constexpr std::string_view kSameFileError =
    "出力ファイルが読み込んだログファイルと同じです。ログファイルは上書きできません";

// The system error code the texts are keyed on (2 not found, 3 bad path, 4 too many open files,
// 5 access denied, 101 disk full) for the errno values that have one; 0 for every other value.
int SystemErrorCode(int errnoValue);

// The text of an input/output error, e.g. "ファイルが見つかりません"; an errno value without a
// text of its own gives "I/O エラー (n)" with the errno value n.
std::string IoErrorText(int errnoValue);

// The reason text for a file that cannot be created, in Japanese.
std::string CreateReasonText(int errnoValue);

// "ファイル "<path>". <reason> を作成できません"
std::string CreateErrorText(std::string_view path, int errnoValue);

// The message followed by "." when its last character comes after "." in code order.
std::string WithFinalPoint(std::string_view message);

// The Japanese message of a failed export, for the error box and the command line.
[[nodiscard]] std::string ExportErrorText(const ExportResult& result, std::string_view target);

// Why the loading rules ignored a file, naming the rule; `kind` picks the unit of the size rules
// (65536-byte blocks or 4096-byte sectors).
[[nodiscard]] std::string IgnoreReasonText(IgnoreReason reason, LogKind kind);

// The Japanese message of a file the loading rules ignored, with its path and the reason:
// "ファイル "<path>" は読み込めません。<reason>". The path's extension decides the unit.
[[nodiscard]] std::string IgnoredFileText(const std::string& path, IgnoreReason reason);
