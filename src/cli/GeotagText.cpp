#include "cli/GeotagText.h"

const GeotagTexts kGeotagEnglish = {
    .Usage = "Placing photos on the track (geotagging):\n"
             "       tallo2nmea-cli --geotag [OPTION]... LOG PHOTO|FOLDER...\n"
             "\n"
             "Writes each photo's position on the log's track into the photo (JPEG, PNG) or\n"
             "into an XMP sidecar beside it, PHOTO.xmp such as IMG_1.CR2.xmp (raw files,\n"
             "which are never modified).\n"
             "A photo's time is its DateTimeOriginal (with SubSecTimeOriginal), in the zone\n"
             "of its OffsetTimeOriginal, else in the camera's zone. Folders are read for\n"
             "photos, not their sub-folders. A photo is replaced only by a new version that\n"
             "read back whole, with its image data unchanged, keeping its mode, owner and\n"
             "modification time.\n"
             "\n"
             "  --camera-zone +HH:MM    the zone the camera's clock was set to (default: the\n"
             "                          converter's zone, --utc-offset or --bias)\n"
             "  --camera-offset SECONDS the camera clock's error, camera minus true time:\n"
             "                          +75 or +0:01:15 when it runs 75 s fast (default 0)\n"
             "  --camera-offset-from PHOTO\n"
             "                          the error from a photo that holds its true position:\n"
             "                          its time minus when the track passed closest to it\n"
             "                          (within 12 h of its time, and 100 m of it)\n"
             "  --max-gap SECONDS       place photos between fixes at most this far apart\n"
             "                          (default 60); a photo up to 10 s before or after a\n"
             "                          run of fixes takes its first or last fix\n"
             "  --dry-run               show what would be done, write nothing\n"
             "  --sidecar               write every photo's position to its PHOTO.xmp\n"
             "  --overwrite             tag photos that have a position already\n"
             "  --backup DIR            keep each original in DIR before it is replaced (a\n"
             "                          hard link, else a copy with its time), named as the\n"
             "                          photo (NAME~2.JPG when taken); a photo whose original\n"
             "                          cannot be kept is not written (error)\n"
             "  --add-weeks, --utc-offset, --bias, -q as for converting\n"
             "\n"
             "Standard output carries one tab-separated line per photo, written when the\n"
             "photo is done: photo, taken (the camera's clock and zone), utc, latitude,\n"
             "longitude, height_m, result (tagged, would tag, would write sidecar, sidecar,\n"
             "already tagged, in a gap, outside the log, no time, empty, not supported,\n"
             "error), reason (of an error, in the run's language; else -). A photo named\n"
             "twice, by any path, is handled once. A control character of a name is written\n"
             "C-style (\\n, \\t, \\x1b). Exit status: 0 when every photo was handled, tagged\n"
             "or left out; 1 when a photo or the log could not be read or written, the log\n"
             "holds no position, or standard output failed (the run stops); 3 when the log\n"
             "was ignored (as for converting).\n",
    .NeedsGeotag = "%s places photos: use it with --geotag",
    .NotWithGeotag = "%s converts logs; it cannot be used with --geotag",
    .NeedsPhotos = "--geotag needs a log and at least one photo or folder",
    .BadCameraZone = "--camera-zone takes +HH:MM or -HH:MM (at most 24:00), not '%s'",
    .BadCameraOffset = "--camera-offset takes seconds (up to three decimals) from -999999999 to "
                       "999999999, or ±H:MM:SS, not '%s'",
    .BadMaxGap = "--max-gap takes whole seconds from 0 to 1000000, not '%s'",
    .FolderUnread = "the folder cannot be read",
    .OnePhoto = "1 photo",
    .Photos = "%d photos",
    .Tagged = "%d tagged",
    .WouldTag = "%d would be tagged",
    .InSidecars = " (%d in sidecars)",
    .LeftOut = "%d left out",
    .OneError = "1 error",
    .Errors = "%d errors",
    .DryRunNote = "dry run: nothing was written",
    .NoFixes = "the log holds no fix with a position: no photo can be placed",
    .SummerTime = "note: photos without a zone of their own fall in the summer time of this "
                  "system's zone and were placed in its standard time (%s); if the camera was set "
                  "to summer time, --camera-zone %s places them",
    .OutputClosed = "it was closed",
    .StoppedAfter = "the run stopped; photos written: %d",
    .Interrupted = "interrupted; photos written: %d; the others are as they were",
};

const GeotagTexts kGeotagJapanese = {
    .Usage = kGeotagEnglish.Usage,
    .NeedsGeotag = "%s は写真の位置付けの指定です。--geotag と一緒に使ってください",
    .NotWithGeotag = "%s はログの変換の指定です。--geotag とは一緒に使えません",
    .NeedsPhotos = "--geotag にはログと、写真かフォルダーが一つ以上必要です",
    .BadCameraZone =
        "--camera-zone には +HH:MM か -HH:MM (24:00 まで) を指定してください ('%s' は使えません)",
    .BadCameraOffset = "--camera-offset には -999999999 から 999999999 までの秒 (小数 3 桁まで) "
                       "か ±H:MM:SS を指定してください ('%s' は使えません)",
    .BadMaxGap =
        "--max-gap には 0 から 1000000 までの整数 (秒) を指定してください ('%s' は使えません)",
    .FolderUnread = "フォルダーを読み込めません",
    .OnePhoto = "写真 1 枚",
    .Photos = "写真 %d 枚",
    .Tagged = "%d 枚に位置を書き込み",
    .WouldTag = "%d 枚に位置を書き込み可能",
    .InSidecars = " (うちサイドカー %d 枚)",
    .LeftOut = "%d 枚は対象外",
    .OneError = "エラー 1 件",
    .Errors = "エラー %d 件",
    .DryRunNote = "試行のみ: 何も書き込んでいません",
    .NoFixes = "ログに位置のある記録がないため、写真の位置を決められません",
    .SummerTime = "注意: 時間帯の記録がない写真がこのシステムの時間帯の夏時間に撮られています。"
                  "位置は標準時 (%s) で決めました。カメラを夏時間に合わせていたなら、"
                  "--camera-zone %s で正しい位置になります",
    .OutputClosed = "閉じられました",
    .StoppedAfter = "中断しました。位置を書き込んだ写真: %d 枚",
    .Interrupted = "中断しました。位置を書き込んだ写真: %d 枚。ほかの写真は元のままです",
};

const GeotagTexts& GeotagTextsIn(Language language)
{
    return language == Language::Japanese ? kGeotagJapanese : kGeotagEnglish;
}

std::string Filled(std::string_view pattern, std::string_view value)
{
    std::string out(pattern);
    for (const char* mark : {"%s", "%d"})
        if (const std::size_t at = out.find(mark); at != std::string::npos)
            return out.replace(at, 2, value);
    return out;
}

std::string Filled(std::string_view pattern, long long value)
{
    return Filled(pattern, std::to_string(value));
}
