#include "messages/ErrorText.h"

#include <cerrno>

namespace {

// The texts of the system error codes, keyed as SystemErrorCode keys them.
Bilingual SystemErrorTextOf(int code)
{
    switch (code) {
    case 2:
        return {"file not found", "ファイルが見つかりません"};
    case 3:
        return {"the file name is not valid", "ファイル名の指定が間違っています"};
    case 4:
        return {"too many open files", "オープンしたファイルが多すぎます"};
    case 5:
        return {"access denied", "ファイルへのアクセスが拒否されました"};
    case 101:
        return {"the disk is full", "ディスクがいっぱいです"};
    default:
        return {"I/O error ({1})", "I/O エラー ({1})"};
    }
}

Bilingual CreateReasonOf(int errnoValue)
{
    switch (errnoValue) {
    case ENOENT:
        return {"the folder was not found", "指定されたパスが見つかりません。"};
    case ENOTDIR:
        return {"a part of the path is not a folder",
                "パスの途中にフォルダーでないものがあります。"};
    case EACCES:
    case EPERM:
        return {"access denied", "アクセスが拒否されました。"};
    case EROFS:
        return {"the drive is read-only", "読み取り専用のドライブには書き込めません。"};
    case EISDIR:
        return {"a folder has that name", "同じ名前のフォルダーがあります。"};
    case ENAMETOOLONG:
        return {"the name is too long", "ファイル名が長すぎます。"};
    case EMFILE:
    case ENFILE:
        return {"too many open files", "開いているファイルが多すぎます。"};
    case ENOSPC:
        return {"there is not enough space on the disk", "ディスクに十分な空き領域がありません。"};
    case EEXIST:
        return {"the file already exists", "ファイルが既に存在します。"};
    default:
        return {"system error ({1})", "システム エラー ({1})。"};
    }
}

// The command line's words of the system's reasons.
Bilingual SystemReasonOf(int errnoValue)
{
    switch (errnoValue) {
    case ENOENT:
        return {"no such file", "ファイルが見つかりません"};
    case ENOTDIR:
        return {"a part of the path is not a folder", "パスの途中にフォルダーでないものがあります"};
    case EACCES:
    case EPERM:
        return {"permission denied", "アクセスが拒否されました"};
    case EROFS:
        return {"read-only file system", "読み取り専用のドライブです"};
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return {"the disk is full", "ディスクがいっぱいです"};
    case EFBIG:
        return {"file too large", "ファイルが大きすぎます"};
    case ENAMETOOLONG:
        return {"name too long", "ファイル名が長すぎます"};
    case EISDIR:
        return {"is a folder", "フォルダーです"};
    case EMFILE:
    case ENFILE:
        return {"too many open files", "開いているファイルが多すぎます"};
    case EEXIST:
        return {"the file already exists", "ファイルが既に存在します"};
    default:
        return {"input/output error ({1})", "I/O エラー ({1})"};
    }
}

// One table of the loading rules' reasons; {1} is the unit of the size rules.
Bilingual IgnoreReasonOf(IgnoreReason reason)
{
    switch (reason) {
    case IgnoreReason::NotFound:
        return {"no such file", "ファイルが見つかりません"};
    case IgnoreReason::NotAFile:
        return {"not a regular file (a folder?)", "フォルダーなど、ファイルでないものです"};
    case IgnoreReason::SizeNotMultiple:
        return {"its size is not a whole number of {1}",
                "ファイルの大きさが {1} の整数倍ではありません"};
    case IgnoreReason::TooLarge:
        return {"larger than 16 MiB, more than any logger holds",
                "ファイルの大きさが 16 MiB (ロガーの記録容量) を超えています"};
    case IgnoreReason::ShortRead:
        return {"the bytes read were not a whole number of {1}",
                "読み込めた大きさが {1} の整数倍ではありません"};
    case IgnoreReason::None:
        break;
    }
    return {"not readable as a log file", "ログファイルとして読み込めません"};
}

constexpr Bilingual kBlockUnit{"65536-byte blocks (block log)",
                               "65536 バイト (ブロックログの単位)"};
constexpr Bilingual kSectorUnit{"4096-byte sectors (sector log)",
                                "4096 バイト (セクターログの単位)"};

} // namespace

std::string_view DateConversionErrorText(Language language)
{
    return Bilingual{"a value that is not a date was given", kDateConversionError}.In(language);
}

std::string_view SameFileErrorText(Language language)
{
    return Bilingual{"the output is the loaded log file itself, which is never written over",
                     kSameFileError}
        .In(language);
}

int SystemErrorCode(int errnoValue)
{
    switch (errnoValue) {
    case ENOENT:
        return 2;
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL:
        return 3;
    case EMFILE:
    case ENFILE:
        return 4;
    case EACCES:
    case EPERM:
    case EROFS:
        return 5;
    case ENOSPC:
        return 101;
    default:
        return 0;
    }
}

std::string IoErrorText(int errnoValue, Language language)
{
    // Any other error keeps its own number, e.g. EIO gives "I/O エラー (5)".
    return Fill(SystemErrorTextOf(SystemErrorCode(errnoValue)).In(language),
                {std::to_string(errnoValue)});
}

std::string CreateReasonText(int errnoValue, Language language)
{
    return Fill(CreateReasonOf(errnoValue).In(language), {std::to_string(errnoValue)});
}

std::string SystemReasonText(int errnoValue, Language language)
{
    return Fill(SystemReasonOf(errnoValue).In(language), {std::to_string(errnoValue)});
}

std::string CreateErrorText(std::string_view path, int errnoValue, Language language)
{
    const Bilingual pattern{"cannot create \"{1}\": {2}", "ファイル \"{1}\". {2} を作成できません"};
    return Fill(pattern.In(language), {path, CreateReasonText(errnoValue, language)});
}

std::string WithFinalPoint(std::string_view message)
{
    std::string s(message);
    // A UTF-8 continuation byte is above '.', as is every character that needs one.
    if (!s.empty() && static_cast<unsigned char>(s.back()) > static_cast<unsigned char>('.'))
        s.push_back('.');
    return s;
}

std::string WithoutFinalPoint(std::string_view message)
{
    static constexpr std::string_view kIdeographicPoint = "。";
    for (;;) {
        if (message.ends_with('.'))
            message.remove_suffix(1);
        else if (message.ends_with(kIdeographicPoint))
            message.remove_suffix(kIdeographicPoint.size());
        else
            return std::string(message);
    }
}

std::string ExportErrorText(const ExportResult& result, std::string_view target, Language language)
{
    switch (result.Status) {
    case ExportStatus::CreateFailed:
        return CreateErrorText(target, result.Errno, language);
    case ExportStatus::SameAsLog:
        return std::string(SameFileErrorText(language));
    case ExportStatus::SameAsInput:
        return Fill(Bilingual{"not written: it is the input {1} of this run, which is never "
                              "written over",
                              "書き込みません。この実行の入力ファイル {1} と同じファイルです"}
                        .In(language),
                    {result.Input});
    case ExportStatus::WrittenEarlier:
        return Fill(Bilingual{"not written: the output of {1} in this run",
                              "書き込みません。この実行で {1} から書き込んだファイルです"}
                        .In(language),
                    {result.Input});
    case ExportStatus::WriteFailed:
    case ExportStatus::Ok:
        break;
    }
    return IoErrorText(result.Errno, language);
}

std::string IgnoreReasonText(IgnoreReason reason, LogKind kind, Language language)
{
    const Bilingual unit = kind == LogKind::Sector ? kSectorUnit : kBlockUnit;
    return Fill(IgnoreReasonOf(reason).In(language), {unit.In(language)});
}

std::string NextSizeText(IgnoreReason reason, LogKind kind, std::uintmax_t bytes, Language language)
{
    if (reason != IgnoreReason::SizeNotMultiple)
        return {};
    const std::uintmax_t unit = LogUnitBytes(kind);
    const std::string next = std::to_string((bytes / unit + 1) * unit);
    return Fill(Bilingual{" ({1} bytes; the next whole size is {2})",
                          " ({1} バイト。次の整数倍は {2} バイト)"}
                    .In(language),
                {std::to_string(bytes), next});
}

std::string PadHintText(const LoadResult& result, Language language)
{
    if (!result.TruncatedCopy)
        return {};
    constexpr std::uintmax_t kBlock = 65536;
    const std::uintmax_t whole = (result.FileBytes / kBlock + 1) * kBlock;
    return Fill(Bilingual{"; it looks like a block log cut short: append {1} bytes of 0xFF "
                          "(erased flash) to make it {2} bytes, and it loads",
                          "。途中で切れたブロックログのようです。末尾に 0xFF (消去済みの"
                          "フラッシュ) を {1} バイト足して {2} バイトにすると読み込めます"}
                    .In(language),
                {std::to_string(whole - result.FileBytes), std::to_string(whole)});
}

std::string IgnoredFileText(const std::string& path, const LoadResult& result)
{
    return "ファイル \"" + path + "\" は読み込めません。" +
           IgnoreReasonText(result.Ignored, result.Named) + PadHintText(result, Language::Japanese);
}

std::string ArchiveErrorText(const ArchiveStatus& status, Language language)
{
    static constexpr Bilingual kTexts[] = {
        {"", ""},
        {"no archive under this path", "このパスに保存庫がありません"},
        {"the archive cannot be opened or created", "保存庫を開くことも作成することもできません"},
        {"not an archive of this program; left as it was",
         "このプログラムの保存庫ではありません。変更していません"},
        {"the archive is damaged; left as it was", "保存庫が壊れています。変更していません"},
        {"the archive was written by a later version of this program; left as it was",
         "保存庫はこのプログラムの新しい版で書かれています。変更していません"},
        {"another program is using the archive", "ほかのプログラムが保存庫を使用中です"},
        {"the archive could not be read or written; nothing was changed",
         "保存庫を読み書きできませんでした。何も変更していません"},
    };
    std::string text(kTexts[static_cast<int>(status.Problem)].In(language));
    if (!status.Detail.empty() && status.Problem != ArchiveProblem::Missing)
        text += " (" + status.Detail + ")";
    return text;
}
