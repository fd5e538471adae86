#include "decoders/Smoothing.h"

#include <algorithm>
#include <vector>

namespace {

// Neighbours closer than 210 ms count; the window is held as a day count, as the time of day
// 00:00:00.210 would be.
const double kNeighbourWindow = static_cast<double>(210.0L / 86400000.0L);

// Speed weights by distance 0..4 (index = |offset|). A neighbour two to four places away weighs
// more when the speeds from it to the fix change strictly monotonically (a "run").
constexpr long double kSpeedWeightOnRun[5] = {1.8L, 0.5L, 0.4L, 0.3L, 0.3L};
constexpr long double kSpeedWeight[5] = {1.8L, 0.5L, 0.35L, 0.2L, 0.1L};
// Position weights by distance 0..3: fixed and triangular.
constexpr long double kPositionWeight[4] = {1.0L, 0.75L, 0.5L, 0.25L};

// -1, 0 or +1: how the speed changes from fix j to fix j + 1.
int Step(const TGpsFix* t, std::int32_t j)
{
    return (t[j + 1].Speed > t[j].Speed) - (t[j + 1].Speed < t[j].Speed);
}

// Are the speeds of fixes from..to (table order) strictly increasing or strictly decreasing?
bool IsRun(const TGpsFix* t, std::int32_t from, std::int32_t to)
{
    const int first = Step(t, from);
    if (first == 0)
        return false;
    for (std::int32_t j = from + 1; j < to; ++j)
        if (Step(t, j) != first)
            return false;
    return true;
}

} // namespace

void SmoothFixes(const TGpsFix* fixTable, std::int32_t fixCount, TGpsFix* workTable)
{
    const std::int32_t n = fixCount;
    if (n <= 0)
        return;
    const long double window = kNeighbourWindow;
    for (std::int32_t i = 0; i < n; ++i) {
        const TGpsFix& fix = fixTable[i];
        workTable[i] = fix;
        const long double time = fix.Time;

        // admitted[3 + k] for offsets -3..+3: the neighbour exists and lies within the window.
        // A negative difference (times running backwards) always passes.
        bool admitted[7] = {};
        for (std::int32_t k = -3; k <= 3; ++k) {
            const std::int32_t j = i + k;
            if (k == 0 || j < 0 || j >= n)
                continue;
            const long double other = fixTable[j].Time;
            const long double difference = k < 0 ? time - other : other - time;
            admitted[3 + k] = difference < window;
        }

        long double speedSum = kSpeedWeight[0] * static_cast<long double>(fix.Speed);
        long double speedTotal = kSpeedWeight[0];
        for (const std::int32_t k : {-4, -3, -2, -1, 1, 2, 3, 4}) {
            const std::int32_t j = i + k;
            if (j < 0 || j >= n)
                continue;
            // The +-4 neighbours are admitted by the time of the +-3 fix.
            const std::int32_t testOffset = std::clamp(k, -3, 3);
            if (!admitted[3 + testOffset])
                continue;
            const int distance = k < 0 ? -k : k;
            long double weight = kSpeedWeight[distance];
            if (distance >= 2 && IsRun(fixTable, std::min(i, j), std::max(i, j)))
                weight = kSpeedWeightOnRun[distance];
            speedSum += weight * static_cast<long double>(fixTable[j].Speed);
            speedTotal += weight;
        }
        workTable[i].Speed = static_cast<float>(speedSum / speedTotal);

        long double latSum = fix.Latitude;
        long double lonSum = fix.Longitude;
        long double positionTotal = kPositionWeight[0];
        for (const std::int32_t k : {-3, -2, -1, 1, 2, 3}) {
            if (!admitted[3 + k])
                continue;
            const long double weight = kPositionWeight[k < 0 ? -k : k];
            latSum += weight * static_cast<long double>(fixTable[i + k].Latitude);
            lonSum += weight * static_cast<long double>(fixTable[i + k].Longitude);
            positionTotal += weight;
        }
        workTable[i].Latitude = static_cast<double>(latSum / positionTotal);
        workTable[i].Longitude = static_cast<double>(lonSum / positionTotal);
    }
}

void SmoothFixTable(FixTable& table)
{
    const std::span<TGpsFix> fixes = table.Fixes();
    std::vector<TGpsFix> workTable(fixes.size());
    SmoothFixes(fixes.data(), table.Count(), workTable.data());
    std::copy(workTable.begin(), workTable.end(), fixes.begin());
}
