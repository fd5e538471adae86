#pragma once

#include "messages/Language.h"
#include "photos/ClockFromPlace.h"

#include <string>

// What both front ends say about the camera's clock worked out from a placed photo.

// "PHOTO: the camera's clock is 75.000 s fast (the track passed 12.3 m from the photo's position
// at 2021-05-03 03:34:56.789 UTC)", or why no error was found.
[[nodiscard]] std::string ClockFromPlaceText(const ClockFromPlace& clock, const std::string& photo,
                                             Language language);

inline constexpr Bilingual kUsageCameraOffsetTwice{
    "--camera-offset and --camera-offset-from cannot be used together",
    "--camera-offset と --camera-offset-from は一緒に使えません"};
inline constexpr Bilingual kUsageCameraOffsetFromEmpty{
    "--camera-offset-from needs a photo", "--camera-offset-from には写真を指定してください"};
