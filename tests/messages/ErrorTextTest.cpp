#include "messages/ErrorText.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <string>

namespace {

std::string Generic(int n) { return "I/O エラー (" + std::to_string(n) + ")"; }

TEST(ErrorText, IoErrorTextsFromErrno)
{
    const std::pair<int, std::string> cases[] = {
        {ENOENT, "ファイルが見つかりません"},
        {ENOTDIR, "ファイル名の指定が間違っています"},
        {ENAMETOOLONG, "ファイル名の指定が間違っています"},
        {EINVAL, "ファイル名の指定が間違っています"},
        {EMFILE, "オープンしたファイルが多すぎます"},
        {ENFILE, "オープンしたファイルが多すぎます"},
        {EACCES, "ファイルへのアクセスが拒否されました"},
        {EPERM, "ファイルへのアクセスが拒否されました"},
        {EROFS, "ファイルへのアクセスが拒否されました"},
        {ENOSPC, "ディスクがいっぱいです"},
        {EFBIG, Generic(EFBIG)},
        // Any other errno is shown as its number, also when the number happens to equal one
        // of the listed system codes (EIO is 5, EINTR 4, ESRCH 3, ENETUNREACH 101 ...).
        {EIO, Generic(EIO)},
        {EINTR, Generic(EINTR)},
        {ESRCH, Generic(ESRCH)},
        {ENETDOWN, Generic(ENETDOWN)},
        {ENETUNREACH, Generic(ENETUNREACH)},
        {EISCONN, Generic(EISCONN)},
    };
    for (const auto& [errnoValue, text] : cases)
        EXPECT_EQ(IoErrorText(errnoValue), text) << "errno " << errnoValue;
    EXPECT_EQ(SystemErrorCode(ENOSPC), 101);
    EXPECT_EQ(SystemErrorCode(EROFS), 5);
}

TEST(ErrorText, CreateErrorAndFinalPoint)
{
    const std::string path = "出力/track.nmea";
    for (int errnoValue : {ENOENT, EACCES, ENOSPC, EROFS, EISDIR, EIO})
        EXPECT_EQ(CreateErrorText(path, errnoValue), "ファイル \"" + path + "\". " +
                                                         CreateReasonText(errnoValue) +
                                                         " を作成できません");
    // The common reasons are Japanese texts of their own.
    EXPECT_NE(CreateReasonText(ENOENT), CreateReasonText(EACCES));
    EXPECT_NE(CreateReasonText(EACCES), CreateReasonText(ENOSPC));
    EXPECT_GE(static_cast<unsigned char>(CreateReasonText(ENOSPC)[0]), 0x80u);

    const std::pair<std::string, std::string> cases[] = {
        {"ファイルが見つかりません", "ファイルが見つかりません."},
        {"abc", "abc."},
        {"a/", "a/."},      // '/' comes after '.'
        {"done.", "done."}, // '.' itself does not
        {"a-", "a-"},
        {Generic(5), Generic(5)}, // ')' comes before '.'
        {"", ""},
    };
    for (const auto& [message, shown] : cases)
        EXPECT_EQ(WithFinalPoint(message), shown) << message;
    EXPECT_EQ(WithFinalPoint(kDateConversionError), "日付に変換できない値が渡されました.");
}

} // namespace
