#pragma once

#include "messages/Language.h"

#include <string>
#include <string_view>

// Every text the command line's geotagging shows a person, in one table, so that another
// language is one more table. The words of the photo table's result column are data, the same
// in every language: kGeotagResultWords in GeotagRun.cpp.
struct GeotagTexts {
    std::string_view Usage; // the --help section

    // Usage errors; "%s" stands for the option or value at fault.
    std::string_view NeedsGeotag;     // an option of geotagging without --geotag
    std::string_view NotWithGeotag;   // an option of converting with --geotag
    std::string_view NeedsPhotos;     // fewer than a log and one photo
    std::string_view BadCameraZone;   // %s: the value
    std::string_view BadCameraOffset; // %s: the value
    std::string_view BadMaxGap;       // %s: the value

    // The reasons of photos' errors and the system's are PhotoErrorLine and SystemReasonText
    // (messages/).
    std::string_view FolderUnread; // a folder given that cannot be read; ": " and a reason

    // The summary on standard error, "LOG: 12 photos: 9 tagged (2 in sidecars), 2 left out,
    // 1 error", with the forms of one and of several.
    std::string_view OnePhoto, Photos; // "%d photos"
    std::string_view Tagged;           // "%d tagged"
    std::string_view WouldTag;         // "%d would be tagged"
    std::string_view InSidecars;       // " (%d in sidecars)"
    std::string_view LeftOut;          // "%d left out"
    std::string_view OneError, Errors; // "%d errors"
    std::string_view DryRunNote;       // after the summary of a dry run
    std::string_view NoFixes;          // after "LOG: ", instead of a line for each photo
    // After "LOG: ", once: photos in the system zone's summer time; "%s" the standard zone, then
    // the summer one.
    std::string_view SummerTime;

    // A run stopped: standard output failed ("standard output: " and the reason before), with
    // the photos written so far as "%d"; interrupted, with the same count.
    std::string_view OutputClosed; // the reason of a pipe whose reader went away
    std::string_view StoppedAfter; // "%d"
    std::string_view Interrupted;  // "%d"
};

extern const GeotagTexts kGeotagEnglish;
extern const GeotagTexts kGeotagJapanese; // the --help section stays English

// The table of a run's language.
[[nodiscard]] const GeotagTexts& GeotagTextsIn(Language language);

// `pattern` with its "%s" or "%d" replaced by `value`.
[[nodiscard]] std::string Filled(std::string_view pattern, std::string_view value);
[[nodiscard]] std::string Filled(std::string_view pattern, long long value);
