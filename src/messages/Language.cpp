#include "messages/Language.h"

Language LanguageOfLocale(std::string_view locale)
{
    return locale.starts_with("ja") ? Language::Japanese : Language::English;
}

std::string Fill(std::string_view pattern, std::initializer_list<std::string_view> args)
{
    std::string out;
    out.reserve(pattern.size() + 32);
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const std::size_t n = i + 2 < pattern.size() && pattern[i] == '{' && pattern[i + 2] == '}'
                                  ? static_cast<std::size_t>(pattern[i + 1] - '0')
                                  : 0;
        if (n >= 1 && n <= args.size()) {
            out.append(*(args.begin() + (n - 1)));
            i += 2;
        } else {
            out.push_back(pattern[i]);
        }
    }
    return out;
}
