#include "geometry/TimeAxis.h"

#include <algorithm>
#include <cmath>

namespace {

// The smallest multiple of the step at or after `ms`.
std::int64_t CeilToMultiple(std::int64_t ms, std::int64_t step)
{
    const std::int64_t r = ms % step;
    return r == 0 ? ms : ms + (r < 0 ? -r : step - r);
}

} // namespace

double TimeAxis::MsPerPixel() const { return static_cast<double>(LastMs - FirstMs) / Width; }

double TimeAxis::XOf(std::int64_t ms) const
{
    return Left + static_cast<double>(ms - FirstMs) / MsPerPixel();
}

std::int64_t TimeAxis::MsAt(double x) const
{
    const double share = std::clamp((x - Left) / Width, 0.0, 1.0);
    return FirstMs +
           static_cast<std::int64_t>(std::llround(share * static_cast<double>(LastMs - FirstMs)));
}

MsWindow TimeAxis::DragWindow(double fromX, double toX) const
{
    const std::int64_t a = MsAt(fromX);
    const std::int64_t b = MsAt(toX);
    return CoveringWindow(std::min(a, b), std::max(a, b));
}

std::int64_t ChooseTickStep(const TimeAxis& axis,
                            const std::function<double(std::int64_t)>& captionPixels,
                            double gapPixels)
{
    const double msPerPixel = axis.MsPerPixel();
    for (const std::int64_t step : kTickSteps)
        if (static_cast<double>(step) / msPerPixel >= captionPixels(step) + gapPixels)
            return step;
    return kTickSteps.back();
}

std::vector<std::int64_t> TickMoments(const TimeAxis& axis, std::int64_t step)
{
    std::vector<std::int64_t> moments;
    for (std::int64_t ms = CeilToMultiple(axis.FirstMs, step); ms <= axis.LastMs; ms += step)
        moments.push_back(ms);
    return moments;
}

std::optional<std::size_t> BarAt(const TimeAxis& axis, std::span<const MsWindow> bars, double x,
                                 double slackPixels)
{
    const std::int64_t ms = axis.MsAt(x);
    const auto slack = static_cast<std::int64_t>(slackPixels * axis.MsPerPixel());
    for (std::size_t i = 0; i < bars.size(); ++i)
        if (bars[i].Start - slack <= ms && ms <= bars[i].End + slack)
            return i;
    return std::nullopt;
}
