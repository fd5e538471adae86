#pragma once

#include "messages/Language.h"

// The command line's messages in both languages; "{1}", "{2}" ... stand for the values Fill puts
// in. A run speaks one of them throughout (the window's texts are its own).

// Usage errors.
inline constexpr Bilingual kUsageZoneTwice{
    "give the time zone once, with either --bias or --utc-offset",
    "タイムゾーンは --bias か --utc-offset のどちらかで一度だけ指定してください"};
inline constexpr Bilingual kUsageBias{
    "--bias takes whole minutes from -1440 to 1440, not '{1}'",
    "--bias には -1440 から 1440 までの整数 (分) を指定してください ('{1}' は使えません)"};
inline constexpr Bilingual kUsageUtcOffset{
    "--utc-offset takes +HH:MM or -HH:MM (at most 24:00), not '{1}'",
    "--utc-offset には +HH:MM か -HH:MM (24:00 まで) を指定してください ('{1}' は使えません)"};
inline constexpr Bilingual kUsageTime{
    "a time must be written \"YYYY-MM-DD hh:mm:ss\" with hour 00-23, minute and second 00-59, "
    "not '{1}'",
    "時刻は \"YYYY-MM-DD hh:mm:ss\" (時 00-23、分と秒 00-59) の形で指定してください ('{1}' "
    "は使えません)"};
inline constexpr Bilingual kUsageStartNotBeforeEnd{
    "the start is not before the end: --from {1} must come before --to {2}",
    "開始が終了より前ではありません: --from {1} は --to {2} より前にしてください"};
inline constexpr Bilingual kUsageTripList{
    "--trip takes trip numbers from 1 and ranges such as 1,3-5, not '{1}'",
    "--trip には 1 から始まるトリップ番号か 1,3-5 のような範囲を指定してください ('{1}' "
    "は使えません)"};
inline constexpr Bilingual kUsageGap{
    "--gap takes whole minutes from 1 to 100000, not '{1}'",
    "--gap には 1 から 100000 までの整数 (分) を指定してください ('{1}' は使えません)"};
inline constexpr Bilingual kUsageAddedWeeks{
    "--add-weeks takes whole weeks from -2048 to 2048, not '{1}'",
    "--add-weeks には -2048 から 2048 までの整数 (週) を指定してください ('{1}' は使えません)"};
inline constexpr Bilingual kUsageEmptyPath{
    "{1} needs a path, not an empty text",
    "{1} にはパスを指定してください (空の文字列は使えません)"};
inline constexpr Bilingual kUsageFormat{
    "--format takes nmea, gpx, kml, geojson or csv, not '{1}'",
    "--format には nmea、gpx、kml、geojson、csv のいずれかを指定してください ('{1}' は使えません)"};
inline constexpr Bilingual kUsageSplit{
    "--split takes trip or day, not '{1}'",
    "--split には trip か day を指定してください ('{1}' は使えません)"};
inline constexpr Bilingual kUsageSplitWithOutput{
    "--split writes several files: name their folder with --output-dir, not -o",
    "--split は複数のファイルを書き込みます。-o ではなく --output-dir "
    "で出力フォルダーを指定してください"};
inline constexpr Bilingual kUsageGgaWithGpx{
    "--gga adds NMEA lines and cannot be used with --format {1}",
    "--gga は NMEA の行を加えるもので、--format {1} とは一緒に使えません"};
inline constexpr Bilingual kUsageNoInput{"no input file given", "入力ファイルが指定されていません"};
inline constexpr Bilingual kUsageInfoAndTrips{"--info and --trips cannot be used together",
                                              "--info と --trips は一緒に使えません"};
inline constexpr Bilingual kUsageTripWithListing{
    "--trip converts; it cannot be used with --info or --trips",
    "--trip は変換の指定です。--info や --trips とは一緒に使えません"};
inline constexpr Bilingual kUsageTripWithWindow{
    "--trip chooses the fixes itself; it cannot be used with --from or --to",
    "--trip は出力する測位点を自分で選びます。--from や --to とは一緒に使えません"};
inline constexpr Bilingual kUsageTripInputs{"--trip can only be used with a single input",
                                            "--trip は入力ファイルが一つのときだけ使えます"};
inline constexpr Bilingual kUsageOutputAndDir{"-o and --output-dir cannot be used together",
                                              "-o と --output-dir は一緒に使えません"};
inline constexpr Bilingual kUsageOutputInputs{"-o can only be used with a single input",
                                              "-o は入力ファイルが一つのときだけ使えます"};
inline constexpr Bilingual kUsageUnknownOption{"unknown option '{1}'",
                                               "不明なオプション '{1}' です"};
inline constexpr Bilingual kUsageNeedsValue{"option '{1}' needs a value",
                                            "オプション '{1}' には値が必要です"};
inline constexpr Bilingual kUsageNoSuchTrip{
    "there is no trip {1}: the log has {2} trip{3}",
    "トリップ {1} はありません (このログのトリップは {2} 件です)"};
inline constexpr Bilingual kUsageTryHelp{"Try '{1} --help' for more information.",
                                         "詳しくは '{1} --help' を実行してください。"};

// What happened to an input or an output.
inline constexpr Bilingual kIgnored{"ignored: {1}", "読み込みません: {1}"};
inline constexpr Bilingual kWarning{"warning: {1}", "警告: {1}"};
inline constexpr Bilingual kNote{"note: {1}", "注意: {1}"};
inline constexpr Bilingual kWeekRolloverHint{
    "the dates look 1024 weeks (about 19.6 years) early, as from a logger that missed a GPS "
    "week rollover; --add-weeks 1024 repairs them",
    "日付が 1024 週 (約 19.6 年) 早いようです。GPS の週番号のロールオーバーを越えたロガーの"
    "記録と思われます。--add-weeks 1024 で修正できます"};
inline constexpr Bilingual kNoFixInWindow{"no fix lies in the time window; {1} is empty",
                                          "出力範囲に測位点がありません。{1} は空です"};
inline constexpr Bilingual kNoFixInWindowGpx{
    "no fix lies in the time window; {1} holds no track point",
    "出力範囲に測位点がありません。{1} にトラックポイントはありません"};
inline constexpr Bilingual kNoFixInWindowSplit{
    "no fix lies in the time window; no file written",
    "出力範囲に測位点がありません。ファイルは書き込みません"};
inline constexpr Bilingual kNoFixInLogSplit{"the log holds no fix; no file written",
                                            "ログに測位点がありません。ファイルは書き込みません"};
inline constexpr Bilingual kSummary{"{1} -> {2} ({3} of {4} fixes)",
                                    "{1} -> {2} ({4} 件中 {3} 件)"};
inline constexpr Bilingual kStandardOutput{"standard output", "標準出力"};

// The archive.
inline constexpr Bilingual kUsageImportWith{
    "--import adds logs to the archive; it cannot be used with {1}",
    "--import はログを保存庫に追加する指定です。{1} とは一緒に使えません"};
inline constexpr Bilingual kUsageArchiveAndInput{
    "--archive takes the place of INPUT: give one or the other, not '{1}' as well",
    "--archive は INPUT の代わりです。どちらか一方を指定してください ('{1}' は使えません)"};
inline constexpr Bilingual kUsageDaysWith{
    "--days lists the archive's days; it cannot be used with --info, --trips or --trip",
    "--days は保存庫の日の一覧です。--info、--trips、--trip とは一緒に使えません"};
inline constexpr Bilingual kNoDataFolder{
    "the system names no folder for the user's data: give the archive with --archive",
    "ユーザーのデータフォルダーがわかりません。--archive で保存庫を指定してください"};
inline constexpr Bilingual kArchiveUncovered{
    "no fix from {1} to {2}: the logger wrote over them before this copy, or it was off; "
    "which of the two cannot be known",
    "{1} から {2} までの測位点がありません。このコピーの前にロガーが上書きしたか、電源が"
    "切れていたかのどちらかですが、どちらかはわかりません"};
inline constexpr Bilingual kArchiveConflicts{
    "{1} fixes lie at a moment the archive held with another position; both are kept",
    "{1} 個の測位点は保存庫にある同じ時刻の点と位置が異なります。両方とも保存しました"};
