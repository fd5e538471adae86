#pragma once

#include "messages/Language.h"
#include "photos/Geotag.h"

#include <string>

// Why a photo was not tagged, from one table keyed by the photo's error. The command line's
// words, in the run's language, then ": " and the system's reason (SystemReasonText in
// ErrorText.h) where the error has one.
[[nodiscard]] std::string PhotoErrorLine(PhotoError error, int errnoValue, Language language);

// The window's words of the same (Japanese), then the system's reason in brackets where the error
// has one and the errno value is set: "書き込めません (アクセスが拒否されました)".
[[nodiscard]] std::string PhotoErrorShort(PhotoError error, int errnoValue);
