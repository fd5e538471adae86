#include "messages/PhotoErrorText.h"

#include "messages/ErrorText.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <string>

namespace {

// The command line's reasons: the words in the run's language, then the system's reason where
// the error has one (a sidecar that is no XMP has none); the errno values the short table lacked
// (ENOTDIR, EMFILE, EEXIST) have words too.
TEST(PhotoErrorText, CommandLineWordsWithTheSystemsReason)
{
    const std::string eio = std::to_string(EIO);
    const struct {
        PhotoError Error;
        int Errno;
        Language In;
        std::string Line;
    } cases[] = {
        {PhotoError::Read, ENOENT, Language::English, "cannot be read: no such file"},
        {PhotoError::Sidecar, 0, Language::English, "its sidecar cannot be read as XMP"},
        {PhotoError::Sidecar, EACCES, Language::Japanese,
         "サイドカーを XMP として読み込めません: アクセスが拒否されました"},
        {PhotoError::Write, ENOTDIR, Language::Japanese,
         "書き込めません: パスの途中にフォルダーでないものがあります"},
        {PhotoError::Write, EMFILE, Language::English, "cannot be written: too many open files"},
        {PhotoError::Backup, EEXIST, Language::English,
         "its original cannot be kept in the --backup folder, so the photo is unchanged: the "
         "file already exists"},
        {PhotoError::Read, EIO, Language::Japanese, "読み込めません: I/O エラー (" + eio + ")"},
        {PhotoError::Metadata, ENOENT, Language::English, "its metadata cannot be read"},
        {PhotoError::Verify, 0, Language::Japanese,
         "新しい版を読み返すと書いたとおりではありませんでした。写真は変えていません"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PhotoErrorLine(c.Error, c.Errno, c.In), c.Line) << c.Line;
}

// The window's words: the reading and creating reasons of the converter, in brackets without
// their final points, and only where an errno value is set.
TEST(PhotoErrorText, WindowWordsWithTheReasonInBrackets)
{
    const struct {
        PhotoError Error;
        int Errno;
        std::string Short;
    } cases[] = {
        {PhotoError::Read, ENOENT, "読み込めません (ファイルが見つかりません)"},
        {PhotoError::Write, EACCES, "書き込めません (アクセスが拒否されました)"},
        {PhotoError::Write, 0, "書き込めません"},
        {PhotoError::Sidecar, EIO,
         "サイドカー (.xmp) を読み込めません (I/O エラー (" + std::to_string(EIO) + "))"},
        {PhotoError::NotAFile, EACCES, "ファイルではありません"},
        {PhotoError::Backup, ENOSPC,
         "元に戻すための控えを取れないため、元のままです (ディスクに十分な空き領域がありません)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PhotoErrorShort(c.Error, c.Errno), c.Short) << c.Short;
    for (const auto& [text, bare] : {std::pair{"ends.", "ends"},
                                     {"終わり。。", "終わり"},
                                     {"mixed。.", "mixed"},
                                     {"none", "none"},
                                     {"", ""}})
        EXPECT_EQ(WithoutFinalPoint(text), bare) << text;
}

} // namespace
