#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

// The language of a run's messages. The window is always Japanese; the command line speaks
// English unless the user's locale is Japanese.
enum class Language {
    English,
    Japanese,
};

// One message in both languages.
struct Bilingual {
    std::string_view English;
    std::string_view Japanese;

    [[nodiscard]] constexpr std::string_view In(Language language) const
    {
        return language == Language::Japanese ? Japanese : English;
    }
};

// The language a locale name asks for: Japanese for a name starting with "ja" ("ja_JP.UTF-8",
// "ja"), English for any other, the empty name and "C" included.
[[nodiscard]] Language LanguageOfLocale(std::string_view locale);

// The text with "{1}", "{2}" ... replaced by the arguments in that order; a number without an
// argument is left as it stands.
[[nodiscard]] std::string Fill(std::string_view pattern,
                               std::initializer_list<std::string_view> args);
