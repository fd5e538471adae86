#include "messages/PhotoErrorText.h"

#include "messages/ErrorText.h"

#include <string_view>

namespace {

// Which of the system's reasons follows a photo's error.
enum class Cause {
    None,
    Read,   // reading: IoErrorText in the window
    Create, // writing: CreateReasonText in the window
};

struct PhotoErrorWords {
    Bilingual Line;          // the command line's
    std::string_view Window; // the window's
    Cause Why = Cause::None;
};

PhotoErrorWords WordsOf(PhotoError error)
{
    switch (error) {
    case PhotoError::Read:
        return {{"cannot be read", "読み込めません"}, "読み込めません", Cause::Read};
    case PhotoError::NotAFile:
        return {{"not a file", "ファイルではありません"}, "ファイルではありません"};
    case PhotoError::Metadata:
        return {{"its metadata cannot be read", "メタデータを読み込めません"},
                "メタデータを読み込めません"};
    case PhotoError::Sidecar:
        return {{"its sidecar cannot be read as XMP", "サイドカーを XMP として読み込めません"},
                "サイドカー (.xmp) を読み込めません",
                Cause::Read};
    case PhotoError::Build:
        return {{"its new metadata cannot be made", "新しいメタデータを作れません"},
                "新しいメタデータを作れません"};
    case PhotoError::Write:
        return {{"cannot be written", "書き込めません"}, "書き込めません", Cause::Create};
    case PhotoError::ExifSplit:
        return {{"its EXIF does not fit one JPEG segment; the photo is unchanged",
                 "EXIF が JPEG の一つのセグメントに収まっていません。写真は変えていません"},
                "EXIF が JPEG の一つのセグメントに収まっていないため、元のままです"};
    case PhotoError::ExifTooLarge:
        return {{"its EXIF with the position would not fit one JPEG segment (64 KiB); the photo "
                 "is unchanged",
                 "位置を加えると EXIF が JPEG の一つのセグメント (64 KiB) に収まりません。写真は"
                 "変えていません"},
                "位置を加えると EXIF が JPEG の一つのセグメント (64 KiB) に収まらないため、元の"
                "ままです"};
    case PhotoError::Backup:
        return {{"its original cannot be kept in the --backup folder, so the photo is unchanged",
                 "元の写真を --backup のフォルダーに残せないため、写真は変えていません"},
                "元に戻すための控えを取れないため、元のままです",
                Cause::Create};
    case PhotoError::Verify:
    case PhotoError::None:
        break;
    }
    return {{"the new version did not read back as written; the photo is unchanged",
             "新しい版を読み返すと書いたとおりではありませんでした。写真は変えていません"},
            "書き込んだ内容を確かめられなかったため、元のままです"};
}

} // namespace

std::string PhotoErrorLine(PhotoError error, int errnoValue, Language language)
{
    const PhotoErrorWords words = WordsOf(error);
    std::string line(words.Line.In(language));
    // A sidecar that is no XMP has no system reason; the other causes always give theirs.
    if (words.Why != Cause::None && (errnoValue != 0 || error != PhotoError::Sidecar))
        line += ": " + SystemReasonText(errnoValue, language);
    return line;
}

std::string PhotoErrorShort(PhotoError error, int errnoValue)
{
    const PhotoErrorWords words = WordsOf(error);
    std::string text(words.Window);
    if (words.Why == Cause::None || errnoValue == 0)
        return text;
    const std::string reason =
        words.Why == Cause::Read ? IoErrorText(errnoValue) : CreateReasonText(errnoValue);
    return text + " (" + WithoutFinalPoint(reason) + ")";
}
