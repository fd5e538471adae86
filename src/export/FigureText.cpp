#include "export/FigureText.h"

#include "export/GpxExport.h"
#include "export/NumberFormat.h"

#include <cstdio>

std::string UtcText(std::int64_t utcMs)
{
    char text[48];
    return {text, AppendGpxTime(text, utcMs)};
}

std::string FigureText(std::optional<double> value, int decimals, std::string_view none)
{
    if (!value)
        return std::string(none);
    char text[kShortestRoom];
    return {text, AppendFixed(text, *value, decimals)};
}

std::string DurationText(std::int64_t ms)
{
    const std::int64_t seconds = ms / 1000;
    char text[48];
    const int n =
        std::snprintf(text, sizeof text, "%02lld:%02d:%02d", static_cast<long long>(seconds / 3600),
                      static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
    return {text, static_cast<std::size_t>(n)};
}
