#include "messages/ErrorText.h"

#include <cerrno>

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

std::string IoErrorText(int errnoValue)
{
    switch (SystemErrorCode(errnoValue)) {
    case 2:
        return "ファイルが見つかりません";
    case 3:
        return "ファイル名の指定が間違っています";
    case 4:
        return "オープンしたファイルが多すぎます";
    case 5:
        return "ファイルへのアクセスが拒否されました";
    case 101:
        return "ディスクがいっぱいです";
    default:
        // Any other error keeps its own number, e.g. EIO gives "I/O エラー (5)".
        return "I/O エラー (" + std::to_string(errnoValue) + ")";
    }
}

std::string CreateReasonText(int errnoValue)
{
    switch (errnoValue) {
    case ENOENT:
        return "指定されたパスが見つかりません。";
    case ENOTDIR:
        return "パスの途中にフォルダーでないものがあります。";
    case EACCES:
    case EPERM:
        return "アクセスが拒否されました。";
    case EROFS:
        return "読み取り専用のドライブには書き込めません。";
    case EISDIR:
        return "同じ名前のフォルダーがあります。";
    case ENAMETOOLONG:
        return "ファイル名が長すぎます。";
    case EMFILE:
    case ENFILE:
        return "開いているファイルが多すぎます。";
    case ENOSPC:
        return "ディスクに十分な空き領域がありません。";
    case EEXIST:
        return "ファイルが既に存在します。";
    default:
        return "システム エラー (" + std::to_string(errnoValue) + ")。";
    }
}

std::string CreateErrorText(std::string_view path, int errnoValue)
{
    std::string s = "ファイル \"";
    s.append(path).append("\". ").append(CreateReasonText(errnoValue)).append(" を作成できません");
    return s;
}

std::string WithFinalPoint(std::string_view message)
{
    std::string s(message);
    // A UTF-8 continuation byte is above '.', as is every character that needs one.
    if (!s.empty() && static_cast<unsigned char>(s.back()) > static_cast<unsigned char>('.'))
        s.push_back('.');
    return s;
}

std::string ExportErrorText(const ExportResult& result, std::string_view target)
{
    switch (result.Status) {
    case ExportStatus::CreateFailed:
        return CreateErrorText(target, result.Errno);
    case ExportStatus::SameAsLog:
        return std::string(kSameFileError);
    case ExportStatus::WriteFailed:
    case ExportStatus::Ok:
        break;
    }
    return IoErrorText(result.Errno);
}

std::string IgnoreReasonText(IgnoreReason reason, LogKind kind)
{
    const std::string unit = kind == LogKind::Sector ? "4096 バイト (セクターログの単位)"
                                                     : "65536 バイト (ブロックログの単位)";
    switch (reason) {
    case IgnoreReason::NotFound:
        return "ファイルが見つかりません";
    case IgnoreReason::NotAFile:
        return "フォルダーなど、ファイルでないものです";
    case IgnoreReason::SizeNotMultiple:
        return "ファイルの大きさが " + unit + " の整数倍ではありません";
    case IgnoreReason::TooLarge:
        return "ファイルの大きさが 16 MiB (ロガーの記録容量) を超えています";
    case IgnoreReason::ShortRead:
        return "読み込めた大きさが " + unit + " の整数倍ではありません";
    case IgnoreReason::None:
        break;
    }
    return "ログファイルとして読み込めません";
}

std::string IgnoredFileText(const std::string& path, IgnoreReason reason)
{
    return "ファイル \"" + path + "\" は読み込めません。" +
           IgnoreReasonText(reason, KindFromPath(path));
}
