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
    // The window's texts as it shows them, and the command line's English twins.
    const struct {
        int Errno;
        const char* Japanese;
        const char* English;
    } cases[] = {
        {ENOENT, "ファイル \"出力/track.nmea\". 指定されたパスが見つかりません。 を作成できません",
         "cannot create \"出力/track.nmea\": the folder was not found"},
        {EACCES, "ファイル \"出力/track.nmea\". アクセスが拒否されました。 を作成できません",
         "cannot create \"出力/track.nmea\": access denied"},
        {ENOSPC,
         "ファイル \"出力/track.nmea\". ディスクに十分な空き領域がありません。 を作成できません",
         "cannot create \"出力/track.nmea\": there is not enough space on the disk"},
        {EROFS,
         "ファイル \"出力/track.nmea\". 読み取り専用のドライブには書き込めません。 "
         "を作成できません",
         "cannot create \"出力/track.nmea\": the drive is read-only"},
        {EISDIR, "ファイル \"出力/track.nmea\". 同じ名前のフォルダーがあります。 を作成できません",
         "cannot create \"出力/track.nmea\": a folder has that name"},
        {EIO, "ファイル \"出力/track.nmea\". システム エラー (5)。 を作成できません",
         "cannot create \"出力/track.nmea\": system error (5)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CreateErrorText("出力/track.nmea", c.Errno), c.Japanese);
        EXPECT_EQ(CreateErrorText("出力/track.nmea", c.Errno, Language::English), c.English);
    }

    const std::pair<std::string, std::string> points[] = {
        {"ファイルが見つかりません", "ファイルが見つかりません."},
        {"abc", "abc."},
        {"a/", "a/."},      // '/' comes after '.'
        {"done.", "done."}, // '.' itself does not
        {"a-", "a-"},
        {Generic(5), Generic(5)}, // ')' comes before '.'
        {"", ""},
    };
    for (const auto& [message, shown] : points)
        EXPECT_EQ(WithFinalPoint(message), shown) << message;
    EXPECT_EQ(WithFinalPoint(kDateConversionError), "日付に変換できない値が渡されました.");
}

} // namespace

// A block log cut short is told how much erased flash makes it whole; any other refusal is not.
TEST(ErrorText, PadHintForABlockLogCutShort)
{
    LoadResult cut;
    cut.Named = LogKind::Block;
    cut.Ignored = IgnoreReason::SizeNotMultiple;
    cut.FileBytes = 65536 + 4544;
    cut.TruncatedCopy = true;
    EXPECT_EQ(PadHintText(cut, Language::English),
              "; it looks like a block log cut short: append 60992 bytes of 0xFF (erased flash) "
              "to make it 131072 bytes, and it loads");
    EXPECT_EQ(IgnoredFileText("a.bin", cut),
              "ファイル \"a.bin\" は読み込めません。ファイルの大きさが 65536 バイト "
              "(ブロックログの単位) の整数倍ではありません。途中で切れたブロックログのようです。"
              "末尾に 0xFF (消去済みのフラッシュ) を 60992 バイト足して 131072 バイトにすると"
              "読み込めます");
    LoadResult other = cut;
    other.TruncatedCopy = false;
    EXPECT_EQ(PadHintText(other, Language::Japanese), "");
    EXPECT_EQ(IgnoredFileText("a.bin", other),
              "ファイル \"a.bin\" は読み込めません。ファイルの大きさが 65536 バイト "
              "(ブロックログの単位) の整数倍ではありません");
}
