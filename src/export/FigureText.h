#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The texts of figures in the files for other programs. A UTC moment as in GPX
// ("YYYY-MM-DDThh:mm:ss.sssZ").
[[nodiscard]] std::string UtcText(std::int64_t utcMs);
// A figure with `decimals` digits, or `none` when there is none.
[[nodiscard]] std::string FigureText(std::optional<double> value, int decimals,
                                     std::string_view none);
// "hh:mm:ss", cut to the whole second; the hours may run past 99.
[[nodiscard]] std::string DurationText(std::int64_t ms);
